// SPDX-License-Identifier: MIT
// Random picture names and the files found beside them: a paint program's
// palette file and the other page of an interlaced pair. The input is
//   flags, name length, name, palette length, palette file,
//   page length (two bytes, little-endian), other page, picture
// and the flags say which palette name holds the file, whether the files
// beside can be read, and the name when none is given. The names of the
// files beside must pair up both ways; only they are asked for, each once;
// and a picture decodes with whatever lies beside it, interlaced when the
// other page is a BSAVE picture, what it leaves out told by name.

#include "common/Errors.h"
#include "document/Picture.h"
#include "image/PictureCompanions.h"
#include "image/ScreenMode.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace quillet;

// Files beside the picture, held in memory.
class Beside final : public FileAccess {
public:
    bool isFile(const std::string&) const override { return false; }
    FilePtr open(const std::string& path) const override { throw QuilletError(ErrorKind::FileNotFound, path); }
    std::optional<std::string> readBeside(const std::string& path, std::size_t limit) const override
    {
        asked.push_back(path);
        const auto found = files.find(path);
        if (found == files.end())
            return std::nullopt;
        if (unreadable)
            throw QuilletError(ErrorKind::PermissionDenied, path);
        return found->second.substr(0, limit);
    }

    std::map<std::string, std::string> files;
    bool unreadable = false;
    mutable std::vector<std::string> asked;
};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : bytes_(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t byte() { return at_ < bytes_.size() ? static_cast<std::uint8_t>(bytes_[at_++]) : 0; }
    std::string take(std::size_t count)
    {
        const std::string_view part = bytes_.substr(std::min(at_, bytes_.size()), count);
        at_ += part.size();
        return std::string(part);
    }
    std::string rest() { return take(bytes_.size()); }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkNames(const std::string& name)
{
    const int page = interlacedPageOfName(name);
    const std::string partner = interlacedPartnerName(name);
    check(page >= -1 && page <= 1 && partner.empty() == (page < 0));
    if (page >= 0) {
        std::size_t differences = 0;
        for (std::size_t i = 0; i < name.size() && partner.size() == name.size(); ++i)
            differences += name[i] != partner[i];
        check(partner.size() == name.size() && differences == 1);
        const std::vector<std::string> back = interlacedPartnerNames(partner);
        check(interlacedPageOfName(partner) == 1 - page && std::find(back.begin(), back.end(), name) != back.end());
        check(detectScreenModeFromPictureName(partner) == detectScreenModeFromPictureName(name));
    }
    const std::vector<std::string> palettes = paletteFileNames(name);
    check(palettes.empty() || palettes.size() == 2);
    for (const std::string& palette : palettes) {
        check(palette.size() == name.size() && palette != name);
        check(palette.compare(0, name.size() - 3, name, 0, name.size() - 3) == 0);
        check(paletteFileNames(palette).empty() && interlacedPageOfName(palette) < 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const char* const usualNames[] = {"PIC.SR5", "pic.ge7", "PIC.S05", "dir/PIC.S1C",
                                             "PIC.SC5", "PIC.r71", "PIC.S18", "PIC"};
    Input in(data, size);
    const std::uint8_t flags = in.byte();
    std::string name = in.take(in.byte() % 64);
    if (name.empty())
        name = usualNames[flags & 7];
    const std::string palette = in.take(in.byte());
    const std::size_t pageLength = in.byte();
    const std::string otherPage = in.take(pageLength | std::size_t(in.byte()) << 8);
    const std::string picture = "\xFE" + in.rest();
    checkNames(name);

    Beside beside;
    beside.unreadable = (flags & 0x08) != 0;
    const std::vector<std::string> palettes = paletteFileNames(name);
    if (!palettes.empty() && (flags & 0x10))
        beside.files[palettes[(flags >> 5) & 1]] = palette;
    const std::string partner = interlacedPartnerName(name);
    if (!partner.empty() && (flags & 0x40))
        beside.files[partner] = otherPage;

    Opened document = openBytes(name, picture, &beside);
    // A BSAVE file of memory no screen shows is machine code, not a picture.
    if (document.isContainer() || document.role() != DocumentRole::Picture)
        return 0;
    const PictureFile file(document);
    const int mode = file.chooseMode(ModePolicy{}).mode;
    const ScreenModeLayout* layout = screenModeLayout(mode);
    // One converter for every input, as the viewer keeps one.
    static BsaveConverter* converter = new BsaveConverter;
    try {
        const PictureResult result = file.decode(mode, PictureRequest{}, *converter);
        const DecodedPicture& decoded = result.picture;
        const bool interlaced = !beside.unreadable && beside.files.count(partner) && isUsableOtherPage(otherPage);
        check(layout && decoded.width == layout->width
              && decoded.height == layout->height * (interlaced && !layout->patterned() ? 2 : 1));
        // What is left out is a file beside that is there, and not the page used.
        for (const LeftOutCompanion& leftOut : result.leftOut)
            check(beside.files.count(leftOut.name) && !(interlaced && leftOut.name == partner));
    } catch (const QuilletError& error) {
        // Files beside that cannot be used are left out.
        check(!layout && error.kind() == ErrorKind::UnsupportedScreenMode && beside.asked.empty());
    }
    // Only the files beside are asked for, each once.
    std::set<std::string> asked;
    for (const std::string& path : beside.asked) {
        check(asked.insert(path).second);
        const std::vector<std::string> partners = interlacedPartnerNames(name);
        check(std::find(partners.begin(), partners.end(), path) != partners.end()
              || std::find(palettes.begin(), palettes.end(), path) != palettes.end());
    }
    return 0;
}
