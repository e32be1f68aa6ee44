// SPDX-License-Identifier: MIT
#include "document/ImageChanges.h"

#include "container/CassetteWriter.h"
#include "container/ImageFile.h"
#include "document/Kinds.h"
#include "document/Open.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>

#include <sys/stat.h>

namespace quillet {

ChangeRefused::ChangeRefused(std::string name, const QuilletError& cause)
    : QuilletError(cause.kind(), cause.detail()), name_(std::move(name))
{}

namespace {

const char* const Nested = "an image inside another container cannot be written; extract it first";

// Runs `step`, laying what stops it on `name`; a refusal that names its
// own concern keeps it.
template <typename Step> auto blaming(const std::string& name, Step&& step)
{
    try {
        return step();
    } catch (const ChangeRefused&) {
        throw;
    } catch (const QuilletError& error) {
        throw ChangeRefused(name, error);
    }
}

// Images are regular files: a pipe or a device is refused without waiting.
const FileAccess& imageFiles()
{
    static const DiskFiles files(DiskFiles::Rule::RegularOnly);
    return files;
}

bool isTapeName(std::string_view path)
{
    return looksLikeCassetteImage({}, 0, path);
}

std::string readLocalFile(const std::string& path, std::uint64_t limit, std::time_t* modified = nullptr)
{
    const FilePtr file = openRegularFileForReading(path);
    struct stat info {};
    if (::fstat(fileno(file.get()), &info) != 0)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), path);
    if (static_cast<std::uint64_t>(info.st_size) > limit)
        throw QuilletError(ErrorKind::TooLarge, path);
    if (modified)
        *modified = info.st_mtime;
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (std::ferror(file.get()) || bytes.size() != static_cast<std::size_t>(info.st_size))
        throw QuilletError(ErrorKind::ReadFailed, path);
    return bytes;
}

// What a change is made to: the image, a file of its own, and the path
// inside it ("" for the image itself).
struct Place {
    std::string file;
    ContainerKind kind;
    std::string inside;
};

// Where `text` lies. With `folderOnly` the path inside names where files
// go: a folder of a disk (a member that is a container being an image
// inside another), nothing on a tape.
Place placeOf(const std::string& text, bool folderOnly)
{
    const MemberPath where = splitMemberPath(text, imageFiles());
    // The door tells the image's kind, and opens a disk to look inside it.
    Opened image = blaming(where.file, [&] { return openName(MemberPath{where.file, {}}, where.file, imageFiles()); });
    const std::optional<ContainerKind> kind = image.containerKind();
    if (kind != ContainerKind::DiskImage && kind != ContainerKind::CassetteImage) {
        // A member of an archive taken for an image, or a path through one.
        if (kind && (where.members.size() > 1 || (folderOnly && where.isMember())))
            throw ChangeRefused(text, QuilletError(ErrorKind::NotWritable, Nested));
        throw ChangeRefused(where.file, QuilletError(ErrorKind::NotWritable,
                                                     kind ? "only disk images and tapes are written, not a "
                                                                + std::string(containerKindInfo(*kind).description)
                                                          : std::string("no disk image or tape")));
    }
    if (where.members.size() > 1)
        throw ChangeRefused(text, QuilletError(ErrorKind::NotWritable, Nested));
    Place place{where.file, *kind, where.isMember() ? where.members.front() : ""};
    if (!folderOnly || !where.isMember())
        return place;
    if (*kind == ContainerKind::CassetteImage)
        throw ChangeRefused(
            text, QuilletError(ErrorKind::NotWritable, "a tape has no folders: put the files on " + where.file));
    // A disk whose reader finds nothing is refused with its reason later.
    std::unique_ptr<Container> disk;
    try {
        disk = image.openContainer();
    } catch (const QuilletError&) {}
    if (disk) {
        const std::optional<std::size_t> found = disk->find(place.inside);
        if (found && disk->members()[*found].kind == MemberKind::Container)
            throw ChangeRefused(text, QuilletError(ErrorKind::NotWritable, Nested));
    }
    return place;
}

// The names of several members grouped by image, in the order first named.
std::vector<std::pair<Place, std::vector<std::pair<std::string, std::string>>>>
byImage(const std::vector<std::string>& paths)
{
    std::vector<std::pair<Place, std::vector<std::pair<std::string, std::string>>>> images;
    for (const std::string& text : paths) {
        const Place place = placeOf(text, false);
        if (place.inside.empty())
            throw ChangeRefused(text, QuilletError(ErrorKind::UnknownMember, "write IMAGE::NAME"));
        auto image =
            std::find_if(images.begin(), images.end(), [&](const auto& i) { return i.first.file == place.file; });
        if (image == images.end())
            image = images.insert(images.end(), {place, {}});
        image->second.emplace_back(text, place.inside);
    }
    return images;
}

// Rewrites the image of `place` once with `change`; what the image itself
// refuses (damage, a read-only file) is laid on the image.
void change(const Place& place, const std::function<std::string(std::string)>& edit)
{
    blaming(place.file, [&] { changeImageFile(place.file, edit); });
}

} // namespace

MemberDate fileDate(std::time_t modified)
{
    std::tm local{};
    if (!::localtime_r(&modified, &local))
        return {1980, 1, 1, 0, 0, 0};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

MemberDate dateNow()
{
    return fileDate(std::time(nullptr));
}

ImageInput readImageInput(const std::string& name, const FileAccess& access)
{
    return blaming(name, [&] {
        const MemberPath where = splitMemberPath(name, access);
        ImageInput input{name, where.leafName(), {}, dateNow()};
        if (where.isMember()) {
            input.bytes = readMember(where, access);
            if (input.bytes.size() > MaxMemberSize)
                throw QuilletError(ErrorKind::TooLarge, "over 16 MB");
        } else {
            std::time_t modified = 0;
            // No MSX disk or tape comes near the limit; the image's own room
            // is told by its editor.
            input.bytes = readLocalFile(where.file, MaxMemberSize, &modified);
            input.date = fileDate(modified);
        }
        return input;
    });
}

void putFiles(const std::string& target, const std::vector<ImageInput>& inputs)
{
    const Place place = placeOf(target, true);
    const bool tape = place.kind == ContainerKind::CassetteImage;
    // Names first: a name refused changes nothing.
    std::map<std::string, std::string> named; // the name in the image, and the input that takes it
    for (const ImageInput& input : inputs) {
        blaming(input.given, [&] {
            const std::string name = tape ? tapeName(input.leaf) : msxDosName(input.leaf);
            const std::string shown = tape ? name : msxDosNameText(name);
            const auto [taken, fresh] = named.emplace(name, input.given);
            if (!fresh)
                throw QuilletError(ErrorKind::NameTaken, taken->second + " and " + input.given + " both become " + shown
                                                             + (tape ? " on the tape" : " on the disk"));
        });
    }
    change(place, [&](std::string image) {
        if (tape) {
            requireWritableTape(image);
            for (const ImageInput& input : inputs)
                image = blaming(input.given, [&] { return putOnTape(std::move(image), input.leaf, input.bytes); });
            return image;
        }
        DiskEditor disk(std::move(image));
        for (const ImageInput& input : inputs)
            blaming(input.given, [&] { disk.put(place.inside, input.leaf, input.bytes, input.date); });
        return disk.image();
    });
}

void putBytes(const std::string& path, std::string_view bytes, const MemberDate& date)
{
    const Place place = placeOf(path, false);
    if (place.inside.empty())
        throw ChangeRefused(path, QuilletError(ErrorKind::UnknownMember, "write IMAGE::NAME"));
    const std::size_t slash = place.inside.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : place.inside.substr(0, slash);
    const std::string name = slash == std::string::npos ? place.inside : place.inside.substr(slash + 1);
    if (place.kind == ContainerKind::CassetteImage && !folder.empty())
        throw ChangeRefused(path, QuilletError(ErrorKind::NotWritable, "a tape has no folders"));
    change(place, [&](std::string image) {
        if (place.kind == ContainerKind::CassetteImage) {
            requireWritableTape(image);
            return blaming(path, [&] { return putOnTape(std::move(image), name, bytes); });
        }
        DiskEditor disk(std::move(image));
        blaming(path, [&] { disk.put(folder, name, bytes, date); });
        return disk.image();
    });
}

void removeMembers(const std::vector<std::string>& paths)
{
    for (const auto& image : byImage(paths)) {
        const Place& place = image.first;
        change(place, [&](std::string bytes) {
            if (place.kind == ContainerKind::CassetteImage) {
                requireWritableTape(bytes);
                for (const auto& member : image.second)
                    bytes = blaming(member.first, [&] { return removeFromTape(std::move(bytes), member.second); });
                return bytes;
            }
            DiskEditor disk(std::move(bytes));
            for (const auto& member : image.second)
                blaming(member.first, [&] { disk.remove(member.second); });
            return disk.image();
        });
    }
}

void makeFolders(const std::vector<std::string>& paths, const MemberDate& date)
{
    for (const auto& image : byImage(paths)) {
        const Place& place = image.first;
        if (place.kind != ContainerKind::DiskImage)
            throw ChangeRefused(place.file, QuilletError(ErrorKind::NotWritable, "a tape has no folders"));
        change(place, [&](std::string bytes) {
            DiskEditor disk(std::move(bytes));
            for (const auto& folder : image.second)
                blaming(folder.first, [&] { disk.makeFolder(folder.second, date); });
            return disk.image();
        });
    }
}

void makeBlankDisk(const std::string& path, DiskFormat format)
{
    blaming(path, [&] { createImageFile(path, blankDiskImage(format)); });
}

void makeBlankTape(const std::string& path)
{
    // A blank tape is an empty file, which only its name marks as a tape.
    if (!isTapeName(path))
        throw ChangeRefused(path, QuilletError(ErrorKind::BadName, "a blank tape is an empty file that only the name "
                                                                   ".cas tells as a tape: name it .cas"));
    blaming(path, [&] { createImageFile(path, ""); });
}

} // namespace quillet
