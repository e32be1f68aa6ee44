// SPDX-License-Identifier: MIT
#include "common/Errors.h"
#include "convert/ConvertCli.h"
#include "document/Picture.h"
#include "image/Palette.h"

#include <span>

namespace quillet::cli {

namespace {

// The last four characters of OUTPUT in lower case: ".png", ".bmp", ...
std::string outputSuffix(const Options& options)
{
    const std::string& out = options.output;
    std::string suffix = out.size() < 4 ? std::string() : out.substr(out.size() - 4);
    for (char& c : suffix)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return suffix;
}

} // namespace

bool writesPng(const Options& options)
{
    return options.png || outputSuffix(options) == ".png";
}

bool asksForPicture(const Options& options)
{
    const std::string suffix = outputSuffix(options);
    return options.png || suffix == ".png" || suffix == ".bmp";
}

PictureResult decodeImage(const Options& options, Opened& document, BsaveConverter& converter)
{
    PictureRequest request;
    // Without --screen the name and the content decide, as with automatic
    // detection on.
    if (options.screen)
        request.mode = {*options.screen, false};
    request.options.sprites.draw = options.spriteSize.has_value();
    request.options.sprites.size = options.spriteSize.value_or(0);
    request.options.interlace = options.interlace;
    request.options.msx2Colours = options.msx2Colours;
    request.options.paletteIndex = options.paletteIndex.value_or(0);
    // A palette file the user names must hold the palette asked for; those
    // found beside the picture are left out with a notice when they cannot
    // be used.
    if (!options.palette.empty()) {
        const std::optional<std::string> file = commandLineFiles().readBeside(options.palette, PaletteFileReadLimit);
        if (!file)
            throw QuilletError(ErrorKind::FileNotFound, options.palette);
        const std::span bytes(reinterpret_cast<const std::uint8_t*>(file->data()), file->size());
        request.options.paletteTable = paletteTableFromFile(bytes, request.options.paletteIndex);
        if (!request.options.paletteTable) {
            const int held = paletteTablesInFile(bytes);
            throw QuilletError(ErrorKind::DamagedPicture,
                               options.palette
                                   + (held == 0
                                          ? std::string(": no palette")
                                          : ": holds " + std::to_string(held) + " palette" + (held == 1 ? "" : "s")
                                                + ", no palette " + std::to_string(request.options.paletteIndex)));
        }
    }
    const PictureFile picture(document);
    return picture.decode(picture.chooseMode(request.mode).mode, request, converter);
}

} // namespace quillet::cli
