// SPDX-License-Identifier: MIT
// --new-disk, --put onto a disk, --delete and --mkdir, and the disk side of
// --tokenize: each disk image changed whole or not at all, through
// DiskEditor on a copy that replaces the file once complete.

#include "common/Errors.h"
#include "container/DiskWriter.h"
#include "container/ImageFile.h"
#include "container/Readers.h"
#include "convert/ConvertCli.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace quillet::cli {

namespace {

// A failure that concerns one of the names given rather than the image.
class NamedFailure : public std::runtime_error {
public:
    NamedFailure(std::string name, const QuilletError& error)
        : std::runtime_error(error.what()), name_(std::move(name)), kind_(error.kind()), detail_(error.detail())
    {}
    const std::string& name() const noexcept { return name_; }
    QuilletError error() const { return QuilletError(kind_, name_ + (detail_.empty() ? "" : ": " + detail_)); }

private:
    std::string name_;
    ErrorKind kind_;
    std::string detail_;
};

int runDiskCommand(std::FILE* err, const std::string& name, const std::function<void()>& command)
{
    try {
        command();
        return ExitOk;
    } catch (const NamedFailure& failure) {
        std::fprintf(err, "quillet-convert: %s: %s\n", failure.name().c_str(), failure.what());
    } catch (const QuilletError& error) {
        std::fprintf(err, "quillet-convert: %s: %s\n", name.c_str(), error.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "quillet-convert: %s: out of memory\n", name.c_str());
    }
    return ExitFailed;
}

MemberDate localDate(std::time_t time)
{
    std::tm local{};
    if (!::localtime_r(&time, &local))
        return {1980, 1, 1, 0, 0, 0};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

struct LocalFile {
    std::string bytes;
    std::time_t modified;
};

// A regular file read whole; one past `limit` bytes is refused.
LocalFile readLocalFile(const std::string& path, std::uint64_t limit)
{
    const FilePtr file = openRegularFileForReading(path);
    struct stat info {};
    if (::fstat(fileno(file.get()), &info) != 0)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), path);
    if (static_cast<std::uint64_t>(info.st_size) > limit)
        throw QuilletError(ErrorKind::TooLarge, path);
    LocalFile read{std::string(static_cast<std::size_t>(info.st_size), '\0'), info.st_mtime};
    read.bytes.resize(std::fread(read.bytes.data(), 1, read.bytes.size(), file.get()));
    if (std::ferror(file.get()) || read.bytes.size() != static_cast<std::size_t>(info.st_size))
        throw QuilletError(ErrorKind::ReadFailed, path);
    return read;
}

// The kind of container the file `path` is, read from its head; nullopt
// for a file that is none.
std::optional<ContainerKind> containerKindOfFile(const std::string& path)
{
    const FilePtr file = openRegularFileForReading(path);
    struct stat info {};
    if (::fstat(fileno(file.get()), &info) != 0)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), path);
    std::string head(ContainerHeadSize, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    if (std::ferror(file.get()))
        throw QuilletError(ErrorKind::ReadFailed, path);
    return containerKindOf(std::string_view(head), static_cast<std::uint64_t>(info.st_size), path);
}

bool isLocalFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

const char* const Nested = "a disk image inside another container cannot be written; extract it first";

// Where a name given on the command line lies: the disk image file, and
// the path inside it ("" for a file of its own). Refused when the image
// is none or lies inside another container. With `folderOnly`, the path
// inside must be a folder: a member of the disk that is a container itself
// is such an image inside another.
struct DiskPlace {
    std::string file;
    std::string inside;
};

DiskPlace diskPlace(const std::string& text, bool folderOnly)
{
    const MemberPath where = splitMemberPath(text, isLocalFile);
    const std::optional<ContainerKind> kind = containerKindOfFile(where.file);
    if (kind != ContainerKind::DiskImage) {
        // A member of an archive taken for the disk, or a member path
        // through one to a disk's member.
        if (kind && kind != ContainerKind::CassetteImage
            && (where.members.size() > 1 || (folderOnly && where.isMember())))
            throw NamedFailure(text, QuilletError(ErrorKind::NotWritable, Nested));
        throw NamedFailure(where.file, QuilletError(ErrorKind::NotWritable,
                                                    kind == ContainerKind::CassetteImage ? std::string(
                                                        "a tape's files are put with --put TAPE, not named as "
                                                        "TAPE::NAME")
                                                    : kind ? "only disk images and tapes are written, not a "
                                                                 + std::string(containerKindInfo(*kind).description)
                                                           : std::string("no disk image")));
    }
    if (where.members.size() > 1)
        throw NamedFailure(text, QuilletError(ErrorKind::NotWritable, Nested));
    if (!where.isMember())
        return {where.file, ""};
    if (folderOnly) {
        // A disk whose reader finds nothing is refused with its reason later.
        std::unique_ptr<Container> disk;
        try {
            disk = openDiskImage(readLocalFile(where.file, MaxContainerFileSize).bytes);
        } catch (const QuilletError&) {}
        if (disk) {
            const std::optional<std::size_t> found = disk->find(where.members.front());
            if (found && disk->members()[*found].kind == MemberKind::Container)
                throw NamedFailure(text, QuilletError(ErrorKind::NotWritable, Nested));
        }
    }
    return {where.file, where.members.front()};
}

} // namespace

int newDisk(const Options& options, std::FILE* err)
{
    return runDiskCommand(err, options.output, [&] {
        createImageFile(options.output, blankDiskImage(options.diskSize == 360 ? DiskFormat::SingleSided360
                                                                               : DiskFormat::DoubleSided720));
    });
}

int putOnDisk(const Options& options, std::FILE* err)
{
    return runDiskCommand(err, options.output, [&] {
        const DiskPlace place = diskPlace(options.output, true);
        struct Put {
            std::string name;
            std::string bytes;
            MemberDate date;
        };
        std::vector<Put> puts;
        std::map<std::string, std::string> given; // entry name -> the input that forms it
        for (const std::string& input : options.inputs) {
            try {
                const std::string name = std::filesystem::path(input).filename().string();
                const std::string entry = msxDosName(name);
                const auto [taken, fresh] = given.emplace(entry, input);
                if (!fresh)
                    throw QuilletError(ErrorKind::NameTaken, taken->second + " and " + input + " both become "
                                                                 + msxDosNameText(entry) + " on the disk");
                // No MSX disk comes near the limit; the disk's own room is told by the editor.
                LocalFile file = readLocalFile(input, MaxMemberSize);
                puts.push_back({name, std::move(file.bytes), localDate(file.modified)});
            } catch (const QuilletError& error) {
                throw NamedFailure(input, error);
            }
        }
        changeImageFile(place.file, [&](std::string image) {
            DiskEditor editor(std::move(image));
            for (const Put& put : puts)
                editor.put(place.inside, put.name, put.bytes, put.date);
            return editor.image();
        });
    });
}

namespace {

// Each disk's member paths changed by `change` in one rewrite of the disk;
// a failure names the path it met.
int changeMembers(const Options& options, std::FILE* err,
                  const std::function<void(DiskEditor&, const std::string&)>& change)
{
    return runDiskCommand(err, options.input, [&] {
        std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> disks;
        for (const std::string& text : options.inputs) {
            const DiskPlace place = diskPlace(text, false);
            if (place.inside.empty())
                throw NamedFailure(text, QuilletError(ErrorKind::UnknownMember, "write DISK::NAME"));
            auto disk = std::find_if(disks.begin(), disks.end(), [&](const auto& d) { return d.first == place.file; });
            if (disk == disks.end())
                disk = disks.insert(disks.end(), {place.file, {}});
            disk->second.emplace_back(text, place.inside);
        }
        for (const auto& [file, paths] : disks) {
            try {
                changeImageFile(file, [&](std::string image) {
                    DiskEditor editor(std::move(image));
                    for (const auto& [text, inside] : paths) {
                        try {
                            change(editor, inside);
                        } catch (const QuilletError& error) {
                            throw NamedFailure(text, error);
                        }
                    }
                    return editor.image();
                });
            } catch (const QuilletError& error) {
                throw NamedFailure(file, error);
            }
        }
    });
}

} // namespace

int deleteFromDisk(const Options& options, std::FILE* err)
{
    return changeMembers(options, err, [](DiskEditor& editor, const std::string& path) { editor.remove(path); });
}

int makeDiskFolder(const Options& options, std::FILE* err)
{
    const MemberDate now = localDate(std::time(nullptr));
    return changeMembers(options, err,
                         [&](DiskEditor& editor, const std::string& path) { editor.makeFolder(path, now); });
}

bool isDiskMemberPath(const std::string& out)
{
    return out.find("::") != std::string::npos && !isLocalFile(out);
}

void putOnDiskAsMember(const std::string& memberPath, std::string_view bytes)
{
    try {
        const DiskPlace place = diskPlace(memberPath, false);
        const std::size_t slash = place.inside.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : place.inside.substr(0, slash);
        const std::string name = slash == std::string::npos ? place.inside : place.inside.substr(slash + 1);
        const MemberDate now = localDate(std::time(nullptr));
        changeImageFile(place.file, [&](std::string image) {
            DiskEditor editor(std::move(image));
            editor.put(folder, name, bytes, now);
            return editor.image();
        });
    } catch (const NamedFailure& failure) {
        throw failure.error();
    } catch (const QuilletError& error) {
        throw QuilletError(error.kind(), memberPath + (error.detail().empty() ? "" : ": " + error.detail()));
    }
}

} // namespace quillet::cli
