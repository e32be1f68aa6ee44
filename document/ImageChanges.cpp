// SPDX-License-Identifier: MIT
#include "document/ImageChanges.h"

#include "common/Errors.h"
#include "container/CassetteWriter.h"
#include "container/ImageFile.h"
#include "container/MemberNames.h"
#include "document/Kinds.h"
#include "document/Open.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <map>

#include <sys/stat.h>

namespace quillet {

namespace {

bool isFileHere(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool namedCas(std::string_view name)
{
    return name.size() >= 4 && foldCase(name.substr(name.size() - 4)) == ".CAS";
}

std::optional<ContainerKind> kindOfFile(const std::string& path)
{
    const FilePtr file = openRegularFileForReading(path);
    std::string head(ContainerHeadSize, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    if (std::ferror(file.get()))
        throw QuilletError(ErrorKind::ReadFailed, path);
    struct stat info {};
    const std::uint64_t size = ::fstat(fileno(file.get()), &info) == 0 ? info.st_size : head.size();
    // A blank tape holds no block yet: its name says what it is.
    if (size == 0 && namedCas(path))
        return ContainerKind::CassetteImage;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
    return containerKindOf(bytes, size, std::filesystem::path(path).filename().string());
}

std::string readHostFile(const std::string& path)
{
    const FilePtr file = openRegularFileForReading(path);
    std::string bytes;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
        bytes.append(buffer, got);
        if (bytes.size() > MaxMemberSize)
            throw QuilletError(ErrorKind::TooLarge, path + ": over 16 MB");
    }
    if (std::ferror(file.get()))
        throw QuilletError(ErrorKind::ReadFailed, path);
    return bytes;
}

std::string baseName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

// The folder and the name of a member of a disk.
std::pair<std::string, std::string> folderAndName(std::string_view inside)
{
    const std::size_t slash = inside.rfind('/');
    if (slash == std::string_view::npos)
        return {"", std::string(inside)};
    return {std::string(inside.substr(0, slash)), std::string(inside.substr(slash + 1))};
}

// The paths of several members grouped by image, in the order first named.
std::vector<std::pair<ImageTarget, std::vector<std::string>>> byImage(const std::vector<std::string>& paths)
{
    std::vector<std::pair<ImageTarget, std::vector<std::string>>> groups;
    for (const std::string& path : paths) {
        ImageTarget target = imageTarget(path);
        if (target.inside.empty())
            throw QuilletError(ErrorKind::UnknownMember, path + " names no member: write IMAGE::NAME");
        const auto group =
            std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first.file == target.file; });
        if (group != groups.end())
            group->second.push_back(target.inside);
        else
            groups.push_back({target, {target.inside}});
    }
    return groups;
}

} // namespace

ImageTarget imageTarget(const std::string& text)
{
    const MemberPath where = splitMemberPath(text, isFileHere);
    const std::optional<ContainerKind> kind = kindOfFile(where.file);
    if (!kind)
        throw QuilletError(ErrorKind::NotAContainer, where.file + ": not a disk or tape image");
    if (*kind != ContainerKind::DiskImage && *kind != ContainerKind::CassetteImage)
        throw QuilletError(ErrorKind::NotWritable,
                           where.file + ": an archive is not written; an image inside it must be extracted first");
    ImageTarget target{where.file, *kind, ""};
    if (where.members.size() > 1)
        throw QuilletError(ErrorKind::NotWritable,
                           text + ": an image inside another container is not written; extract it first");
    if (where.isMember()) {
        target.inside = where.members.front();
        while (!target.inside.empty() && target.inside.back() == '/')
            target.inside.pop_back();
        while (!target.inside.empty() && target.inside.front() == '/')
            target.inside.erase(0, 1);
    }
    return target;
}

MemberDate fileDate(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), path);
    std::tm local{};
    const std::time_t when = info.st_mtime;
    ::localtime_r(&when, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::vector<std::string> putFiles(const std::string& targetText, const std::vector<std::string>& files)
{
    const ImageTarget target = imageTarget(targetText);
    const bool tape = target.kind == ContainerKind::CassetteImage;
    if (tape && !target.inside.empty())
        throw QuilletError(ErrorKind::NotWritable, targetText + ": a tape has no folders");
    // Names first: a refused name changes nothing.
    std::vector<std::string> names;
    std::map<std::string, std::string> byName; // the name in the image, folded, and the file that takes it
    for (const std::string& file : files) {
        std::string name = tape ? tapeName(baseName(file)) : msxDosName(baseName(file));
        const auto [at, added] = byName.emplace(tape ? name : foldCase(name), file);
        if (!added)
            throw QuilletError(ErrorKind::NameTaken, at->second + " and " + file + " would both be " + name);
        names.push_back(std::move(name));
    }
    std::vector<std::string> contents;
    std::vector<MemberDate> dates;
    for (const std::string& file : files) {
        contents.push_back(readHostFile(file));
        dates.push_back(fileDate(file));
    }
    changeImageFile(target.file, [&](std::string image) {
        if (tape) {
            for (std::size_t i = 0; i < files.size(); ++i)
                image = putOnTape(std::move(image), names[i], contents[i]);
            return image;
        }
        DiskEditor disk(std::move(image));
        for (std::size_t i = 0; i < files.size(); ++i)
            disk.put(target.inside, names[i], contents[i], dates[i]);
        return disk.image();
    });
    return names;
}

std::string putBytes(const std::string& path, std::string_view bytes, const MemberDate& date)
{
    const ImageTarget target = imageTarget(path);
    if (target.inside.empty())
        throw QuilletError(ErrorKind::UnknownMember, path + " names no member: write IMAGE::NAME");
    if (target.kind == ContainerKind::CassetteImage) {
        const std::string name = tapeName(target.inside);
        changeImageFile(target.file, [&](std::string image) { return putOnTape(std::move(image), name, bytes); });
        return name;
    }
    const auto [folder, given] = folderAndName(target.inside);
    const std::string name = msxDosName(given);
    changeImageFile(target.file, [&](std::string image) {
        DiskEditor disk(std::move(image));
        disk.put(folder, name, bytes, date);
        return disk.image();
    });
    return name;
}

void removeMembers(const std::vector<std::string>& paths)
{
    for (const auto& [target, members] : byImage(paths)) {
        changeImageFile(target.file, [&](std::string image) {
            if (target.kind == ContainerKind::CassetteImage) {
                for (const std::string& member : members)
                    image = removeFromTape(std::move(image), member);
                return image;
            }
            DiskEditor disk(std::move(image));
            for (const std::string& member : members)
                disk.remove(member);
            return disk.image();
        });
    }
}

void makeFolders(const std::vector<std::string>& paths, const MemberDate& date)
{
    for (const auto& [target, folders] : byImage(paths)) {
        if (target.kind != ContainerKind::DiskImage)
            throw QuilletError(ErrorKind::NotWritable, target.file + ": a tape has no folders");
        changeImageFile(target.file, [&](std::string image) {
            DiskEditor disk(std::move(image));
            for (const std::string& folder : folders)
                disk.makeFolder(folder, date);
            return disk.image();
        });
    }
}

void makeBlankDisk(const std::string& path, DiskFormat format)
{
    createImageFile(path, blankDiskImage(format));
}

void makeBlankTape(const std::string& path)
{
    createImageFile(path, "");
}

} // namespace quillet
