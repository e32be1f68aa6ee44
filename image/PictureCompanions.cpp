#include "image/PictureCompanions.h"

#include "common/Errors.h"
#include "image/Palette.h"
#include "image/ScreenMode.h"

#include <cstdio>
#include <span>

#include <sys/stat.h>

namespace quillet {

namespace {

constexpr std::uint8_t BsaveMark = 0xFE;

std::span<const std::uint8_t> byteSpan(const std::string& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

} // namespace

std::optional<std::string> readFileOnDisk(const std::string& path, std::size_t limit)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    const FilePtr file = openRegularFileForReading(path);
    std::string bytes(limit, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (std::ferror(file.get()))
        throw QuilletError(ErrorKind::ReadFailed, path);
    return bytes;
}

PictureCompanions findCompanions(std::string_view path, const ReadBeside& read)
{
    PictureCompanions found;
    for (const std::string& name : paletteFileNames(path)) {
        if (auto bytes = read(name, PaletteFileReadLimit)) {
            found.paletteFile = std::move(bytes);
            found.paletteName = name;
            break;
        }
    }
    const int page = interlacedPageOfName(path);
    if (page >= 0) {
        const std::string name = interlacedPartnerName(path);
        if (auto bytes = read(name, PictureFileReadLimit)) {
            found.otherPage = std::move(bytes);
            found.otherPageName = name;
            found.page = page;
        }
    }
    return found;
}

const DecodedPicture& decodePicture(BsaveConverter& converter, ByteSource& rest, int mode, PictureOptions options,
                                    const PictureCompanions& companions, bool strict)
{
    if (!options.paletteTable && companions.paletteFile) {
        options.paletteTable = paletteTableFromFile(byteSpan(*companions.paletteFile));
        if (!options.paletteTable && strict)
            throw QuilletError(ErrorKind::DamagedPicture, companions.paletteName + ": no palette");
    }
    const std::string* other = companions.otherPage ? &*companions.otherPage : nullptr;
    if (other && (other->empty() || static_cast<std::uint8_t>((*other)[0]) != BsaveMark)) {
        if (strict)
            throw QuilletError(ErrorKind::DamagedPicture, companions.otherPageName + ": not a BSAVE image");
        other = nullptr;
    }
    if (!other) {
        converter.loadVramImage(rest, mode);
    } else {
        // The page a file holds decides which is page 0.
        MemorySource otherRest(std::string_view(*other).substr(1));
        ByteSource& first = companions.page == 0 ? rest : static_cast<ByteSource&>(otherRest);
        ByteSource& second = companions.page == 0 ? static_cast<ByteSource&>(otherRest) : rest;
        converter.loadVramImage(first, mode);
        converter.loadSecondPage(second, mode);
        options.interlace = true;
    }
    return converter.decode(mode, options);
}

} // namespace quillet
