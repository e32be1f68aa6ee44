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
    // A palette file the user names must be one; those found beside the
    // picture are left out with a notice when they cannot be used.
    if (!options.palette.empty()) {
        const std::optional<std::string> file = commandLineFiles().readBeside(options.palette, PaletteFileReadLimit);
        if (!file)
            throw QuilletError(ErrorKind::FileNotFound, options.palette);
        request.options.paletteTable =
            paletteTableFromFile(std::span(reinterpret_cast<const std::uint8_t*>(file->data()), file->size()));
        if (!request.options.paletteTable)
            throw QuilletError(ErrorKind::DamagedPicture, options.palette + ": no palette");
    }
    const PictureFile picture(document);
    return picture.decode(picture.chooseMode(request.mode).mode, request, converter);
}

} // namespace quillet::cli
