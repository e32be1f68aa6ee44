#include "common/Errors.h"
#include "convert/ConvertCli.h"
#include "image/BsaveConverter.h"
#include "image/PictureCompanions.h"
#include "image/ScreenMode.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace quillet::cli {

namespace {

// What the viewer's stored setting starts as.
constexpr int DefaultScreenMode = 5;
// More than the header and all of video memory is never loaded.
constexpr std::size_t UsefulBytes = 6 + VramImageSize;

// The rest of the file, up to the bytes a load can use, and its whole size.
std::string readRest(ByteSource& rest, std::uint64_t& size)
{
    std::string bytes;
    size = 0;
    for (auto chunk = rest.nextChunk(); !chunk.empty(); chunk = rest.nextChunk()) {
        size += chunk.size();
        if (bytes.size() < UsefulBytes)
            bytes.append(reinterpret_cast<const char*>(chunk.data()),
                         std::min(chunk.size(), UsefulBytes - bytes.size()));
    }
    if (rest.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    return bytes;
}

bool isPlainFile(const std::string& input)
{
    std::error_code error;
    return input != "-" && input.find("::") == std::string::npos && std::filesystem::is_regular_file(input, error);
}

} // namespace

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

void writeImage(const Options& options, const DocumentHead& head, ByteSource& rest, ByteSink& out)
{
    if (documentKindInfo(head.kind).role != DocumentRole::Picture)
        throw Unsupported("not a picture");
    std::uint64_t size = 0;
    const std::string data = readRest(rest, size);
    // `data` and `size` start after the type byte.
    const BsaveShape shape = bsaveShapeOf(std::string(1, '\xFE') + data.substr(0, 2), size + 1);
    // Without --screen the name and the content decide, as with automatic
    // detection on.
    const int mode = options.screen ? *options.screen : detectScreenMode(options.input, shape, DefaultScreenMode);
    if (!screenModeLayout(mode))
        throw QuilletError(ErrorKind::UnsupportedScreenMode, "SCREEN " + std::to_string(mode));

    PictureOptions picture;
    picture.sprites.draw = options.spriteSize.has_value();
    picture.sprites.size = options.spriteSize.value_or(0);
    picture.interlace = options.interlace;
    if (!options.palette.empty()) {
        const std::optional<std::string> file = readFileOnDisk(options.palette, PaletteFileReadLimit);
        if (!file)
            throw QuilletError(ErrorKind::FileNotFound, options.palette);
        picture.paletteTable =
            paletteTableFromFile(std::span(reinterpret_cast<const std::uint8_t*>(file->data()), file->size()));
        if (!picture.paletteTable)
            throw QuilletError(ErrorKind::DamagedPicture, options.palette + ": no palette");
    }
    // A pair's other page and a paint program's palette file beside a file
    // of its own; a member has nothing beside it.
    const PictureCompanions companions =
        isPlainFile(options.input) ? findCompanions(options.input, readFileOnDisk) : PictureCompanions{};

    auto converter = std::make_unique<BsaveConverter>();
    MemorySource source(data);
    writePictureAs(decodePicture(*converter, source, mode, picture, companions, true),
                   writesPng(options) ? PictureFormat::Png : PictureFormat::Bmp, out);
}

} // namespace quillet::cli
