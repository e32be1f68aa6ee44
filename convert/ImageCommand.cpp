#include "common/Errors.h"
#include "convert/ConvertCli.h"
#include "document/Picture.h"
#include "image/Palette.h"

#include <span>

namespace quillet::cli {

bool writesPng(const Options& options)
{
    if (options.png)
        return true;
    const std::string& out = options.output;
    if (out.size() < 4)
        return false;
    std::string extension = out.substr(out.size() - 4);
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension == ".png";
}

const DecodedPicture& decodeImage(const Options& options, Opened& document, BsaveConverter& converter)
{
    PictureRequest request;
    // Without --screen the name and the content decide, as with automatic
    // detection on.
    if (options.screen)
        request.mode = {*options.screen, false};
    request.options.sprites.draw = options.spriteSize.has_value();
    request.options.sprites.size = options.spriteSize.value_or(0);
    request.options.interlace = options.interlace;
    request.strictCompanions = true;
    if (!options.palette.empty()) {
        const std::optional<std::string> file = commandLineFiles().readBeside(options.palette, PaletteFileReadLimit);
        if (!file)
            throw QuilletError(ErrorKind::FileNotFound, options.palette);
        request.options.paletteTable =
            paletteTableFromFile(std::span(reinterpret_cast<const std::uint8_t*>(file->data()), file->size()));
        if (!request.options.paletteTable)
            throw QuilletError(ErrorKind::DamagedPicture, options.palette + ": no palette");
    }
    return readPicture(document, request, converter);
}

} // namespace quillet::cli
