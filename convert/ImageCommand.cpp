#include "common/Errors.h"
#include "convert/ConvertCli.h"
#include "image/BsaveConverter.h"
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

std::string readWholeFile(const std::string& path)
{
    FilePtr file = openForReading(path);
    FileSource source(file.get());
    std::string bytes;
    for (auto chunk = source.nextChunk(); !chunk.empty() && bytes.size() < UsefulBytes + 1; chunk = source.nextChunk())
        bytes.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
    if (source.failed())
        throw QuilletError(ErrorKind::ReadFailed, path);
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
    const BsaveShape shape{static_cast<std::uint16_t>(data.size() >= 2 ? static_cast<std::uint8_t>(data[0])
                                                                             | static_cast<std::uint8_t>(data[1]) << 8
                                                                       : 0),
                           size > 6 ? size - 6 : 0};
    // Without --screen the name and the content decide, as with automatic
    // detection on.
    const int mode = options.screen ? *options.screen : detectScreenMode(options.input, shape, DefaultScreenMode);
    if (!screenModeLayout(mode))
        throw QuilletError(ErrorKind::UnsupportedScreenMode, "SCREEN " + std::to_string(mode));

    PictureOptions picture;
    picture.sprites.draw = options.spriteSize.has_value();
    picture.sprites.size = options.spriteSize.value_or(0);
    picture.interlace = options.interlace;
    std::string palette = options.palette;
    if (palette.empty() && isPlainFile(options.input)) {
        for (const std::string& name : paletteFileNames(options.input)) {
            std::error_code error;
            if (std::filesystem::is_regular_file(name, error)) {
                palette = name;
                break;
            }
        }
    }
    if (!palette.empty()) {
        const std::string file = readWholeFile(palette);
        picture.paletteTable =
            paletteTableFromFile(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
        if (!picture.paletteTable)
            throw QuilletError(ErrorKind::DamagedPicture, palette + ": no palette");
    }

    auto converter = std::make_unique<BsaveConverter>();
    // The page a pair's file holds decides which file is page 0.
    std::string partner;
    const int page = isPlainFile(options.input) ? interlacedPageOfName(options.input) : -1;
    if (page >= 0) {
        std::error_code error;
        partner = interlacedPartnerName(options.input);
        if (!std::filesystem::is_regular_file(partner, error))
            partner.clear();
    }
    MemorySource source(data);
    if (partner.empty()) {
        converter->loadVramImage(source, mode);
    } else {
        const std::string other = readWholeFile(partner);
        if (other.empty() || static_cast<std::uint8_t>(other[0]) != BsaveImageMark)
            throw QuilletError(ErrorKind::DamagedPicture, partner + ": not a BSAVE image");
        MemorySource otherSource(std::string_view(other).substr(1));
        converter->loadVramImage(page == 0 ? static_cast<ByteSource&>(source) : otherSource, mode);
        converter->loadSecondPage(page == 0 ? static_cast<ByteSource&>(otherSource) : source, mode);
        picture.interlace = true;
    }
    writePictureAs(converter->decode(mode, picture), writesPng(options) ? PictureFormat::Png : PictureFormat::Bmp, out);
}

} // namespace quillet::cli
