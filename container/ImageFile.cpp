// SPDX-License-Identifier: MIT
#include "container/ImageFile.h"

#include "common/Errors.h"
#include "container/Container.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

[[noreturn]] void fail(int error, ErrorKind otherwise, const std::string& path)
{
    throw QuilletError(errorKindOfErrno(error, otherwise), path);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const noexcept { return fd_; }
    int release() noexcept { return std::exchange(fd_, -1); }

private:
    int fd_;
};

void writeAll(int fd, std::string_view bytes, const std::string& path)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(errno, ErrorKind::WriteFailed, path);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// The new image, complete and on the disk, under a hidden name beside
// `target`; the caller moves it into place or removes it.
class Beside {
public:
    Beside(const std::string& target, std::string_view bytes, mode_t mode)
    {
        const std::filesystem::path at(target);
        path_ = (at.parent_path() / ("." + at.filename().string() + ".XXXXXX")).string();
        const Descriptor fd(::mkstemp(path_.data()));
        if (fd.get() < 0)
            fail(errno, ErrorKind::CreateFailed, target);
        made_ = true;
        if (::fchmod(fd.get(), mode) != 0)
            fail(errno, ErrorKind::WriteFailed, target);
        writeAll(fd.get(), bytes, target);
        if (::fsync(fd.get()) != 0)
            fail(errno, ErrorKind::WriteFailed, target);
    }
    ~Beside()
    {
        if (made_)
            ::unlink(path_.c_str());
    }
    Beside(const Beside&) = delete;
    Beside& operator=(const Beside&) = delete;
    const std::string& path() const noexcept { return path_; }
    void placed() noexcept { made_ = false; }

private:
    std::string path_;
    bool made_ = false;
};

// A rename is only lasting once the folder holding it is on the disk.
void syncFolderOf(const std::string& path)
{
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty())
        folder = ".";
    const Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
           && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

void changeImageFile(const std::string& path, const std::function<std::string(std::string)>& change)
{
    // A link is followed: the file it points to is the image replaced.
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        fail(errno, ErrorKind::ReadFailed, path);
    const std::string target = resolved;

    std::string bytes;
    struct stat before {};
    {
        const Descriptor fd(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (fd.get() < 0)
            fail(errno, ErrorKind::ReadFailed, path);
        if (::fstat(fd.get(), &before) != 0)
            fail(errno, ErrorKind::ReadFailed, path);
        if (!S_ISREG(before.st_mode))
            throw QuilletError(ErrorKind::NotRegularFile, path);
        // The mode bits decide even for a user whom they do not bind.
        if ((before.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw QuilletError(ErrorKind::PermissionDenied, path + ": the file is read-only");
        if (static_cast<std::uint64_t>(before.st_size) > MaxContainerFileSize)
            throw QuilletError(ErrorKind::TooLarge, path);
        bytes.resize(static_cast<std::size_t>(before.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                fail(errno, ErrorKind::ReadFailed, path);
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
    }

    const std::string changed = change(std::move(bytes));
    Beside beside(target, changed, before.st_mode & 07777);
    struct stat now {};
    if (::stat(target.c_str(), &now) != 0 || !sameFile(before, now))
        throw QuilletError(ErrorKind::WriteFailed, path + ": the file changed on disk meanwhile; nothing was written");
    if (::rename(beside.path().c_str(), target.c_str()) != 0)
        fail(errno, ErrorKind::WriteFailed, path);
    beside.placed();
    syncFolderOf(target);
}

void createImageFile(const std::string& path, std::string_view bytes)
{
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0)
        throw QuilletError(ErrorKind::NameTaken, path);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    Beside beside(path, bytes, 0666 & ~mask);
    // A link, unlike a rename, never replaces a file made meanwhile.
    if (::link(beside.path().c_str(), path.c_str()) != 0) {
        if (errno == EEXIST)
            throw QuilletError(ErrorKind::NameTaken, path);
        fail(errno, ErrorKind::WriteFailed, path);
    }
    syncFolderOf(path);
}

} // namespace quillet
