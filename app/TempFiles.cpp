// SPDX-License-Identifier: MIT
#include "app/TempFiles.h"

#include "common/Errors.h"
#include "common/QuilletUnitGrobal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

#include <fcntl.h>
#include <ftw.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::app {

namespace {

std::uint32_t randomNumber()
{
    // The kernel's generator rather than a seeded engine: instances started
    // from one another (or forked) must not walk the same sequence of names.
    std::uint32_t number = 0;
    if (::getrandom(&number, sizeof number, 0) == static_cast<ssize_t>(sizeof number))
        return number;
    static std::random_device device;
    return device();
}

// The directory with a trailing separator, absolute so that the names stay
// valid whatever the working directory becomes.
std::string directoryForNames(const std::string& dir)
{
    std::string base = dir.empty() ? systemTempDir() : dir;
    if (base.front() != '/') {
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(base, error);
        if (!error)
            base = absolute.string();
    }
    if (base.back() != '/')
        base += '/';
    return base;
}

std::string nameFor(std::uint32_t number)
{
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(number));
    return std::string(TempFilePrefix) + digits + std::string(TempFileSuffix);
}

struct CreatedFile {
    std::string path;
    int fd;
};

// A regular file of this user with no other name: one this program made.
bool isOwnPlainFile(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1;
}

int createExclusively(const std::string& path)
{
    // O_EXCL never opens an existing name, links included; O_NOFOLLOW says
    // so once more for systems that need telling.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd >= 0)
        ::fchmod(fd, 0600); // exactly owner-only, whatever the umask
    return fd;
}

// A new file of a fresh name; with a `companion` suffix, the name with that
// suffix is made too, so that both are this program's.
CreatedFile createUniqueFile(const std::string& dir, const NameNumberSource& numbers, const std::string& companion = {})
{
    const std::string base = directoryForNames(dir);
    int lastError = EEXIST;
    for (int attempt = 0; attempt < MaxNameAttempts; ++attempt) {
        std::string path = base + nameFor(numbers ? numbers() : randomNumber());
        const int fd = createExclusively(path);
        if (fd < 0) {
            lastError = errno;
            if (lastError != EEXIST && lastError != EINTR)
                break;
            continue;
        }
        if (companion.empty())
            return {std::move(path), fd};
        const int companionFd = createExclusively(path + companion);
        if (companionFd >= 0) {
            ::close(companionFd);
            return {std::move(path), fd};
        }
        lastError = errno;
        ::close(fd);
        ::unlink(path.c_str());
        if (lastError != EEXIST && lastError != EINTR)
            break;
    }
    throw QuilletError(ErrorKind::CreateFailed, base + " (" + std::strerror(lastError) + ")");
}

std::unique_ptr<FileSink> sinkFor(CreatedFile created)
{
    std::FILE* file = ::fdopen(created.fd, "wb");
    if (!file) {
        ::close(created.fd);
        ::unlink(created.path.c_str());
        throw QuilletError(ErrorKind::CreateFailed, created.path);
    }
    return std::make_unique<FileSink>(file, created.path);
}

} // namespace

std::string getTempPath()
{
    return systemTempDir();
}

std::string getTempFileName(const std::string& dir)
{
    return getTempFileName(dir, {});
}

std::string getTempFileName(const std::string& dir, const NameNumberSource& numbers)
{
    CreatedFile created = createUniqueFile(dir, numbers);
    ::close(created.fd);
    return created.path;
}

std::unique_ptr<FileSink> openTempOutput(const std::string& path)
{
    if (path.empty())
        return nullptr;
    // O_NONBLOCK so that a FIFO put at the name cannot stall the open.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    bool ours = ::fstat(fd, &info) == 0 && isOwnPlainFile(info);
    int flags = ours ? ::fcntl(fd, F_GETFL) : -1;
    if (!ours || ::ftruncate(fd, 0) != 0 || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FileSink>(file, path);
}

TempFiles::TempFiles(NameNumberSource numbers) : numbers_(std::move(numbers)), tempNameDir_(getTempPath())
{}

void TempFiles::setTempNameDir(std::string dir)
{
    tempNameDir_ = std::move(dir);
}

std::string TempFiles::bmpPicturePath() const
{
    return bmpTempPath_.empty() ? std::string() : bmpTempPath_ + std::string(PictureSuffix);
}

void TempFiles::makeAsciiTempName()
{
    asciiTempPath_ = getTempFileName(tempNameDir_, numbers_);
}

void TempFiles::makeRtfTempName()
{
    rtfTempPath_ = getTempFileName(tempNameDir_, numbers_);
}

void TempFiles::makeBmpTempName()
{
    CreatedFile created = createUniqueFile(tempNameDir_, numbers_, std::string(PictureSuffix));
    ::close(created.fd);
    bmpTempPath_ = std::move(created.path);
}

bool TempFiles::pictureNameIsUsable() const
{
    const std::string picture = bmpPicturePath();
    struct stat info {};
    if (picture.empty())
        return false;
    if (::lstat(picture.c_str(), &info) != 0)
        return errno == ENOENT; // the picture's rename makes it again
    return isOwnPlainFile(info);
}

TempFiles::FolderCheck TempFiles::ensureTempNameDir()
{
    const std::string dir = directoryForNames(tempNameDir_);
    struct stat info {};
    if (::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return FolderCheck::Present;
    FolderCheck result = FolderCheck::MadeAgain;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error || ::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        setTempNameDir(getTempPath());
        result = FolderCheck::SystemFolder;
    }
    try {
        renewPictureName();
    } catch (const QuilletError&) {
        // The load that follows reports a folder that takes no file.
    }
    return result;
}

void TempFiles::renewPictureName()
{
    const std::string old = bmpTempPath_;
    makeBmpTempName();
    // The old name was ours; whatever now sits at its picture name is not.
    discardTempFile(old);
}

std::unique_ptr<FileSink> TempFiles::createOutput(std::string& path)
{
    if (std::unique_ptr<FileSink> sink = openTempOutput(path))
        return sink;
    CreatedFile created = createUniqueFile(tempNameDir_, numbers_);
    std::string freshPath = created.path;
    std::unique_ptr<FileSink> sink = sinkFor(std::move(created));
    path = std::move(freshPath);
    return sink;
}

std::unique_ptr<FileSink> TempFiles::createAsciiOutput()
{
    return createOutput(asciiTempPath_);
}

std::unique_ptr<FileSink> TempFiles::createRtfOutput()
{
    return createOutput(rtfTempPath_);
}

FreshOutput TempFiles::createFreshOutput()
{
    CreatedFile created = createUniqueFile(tempNameDir_, numbers_);
    std::string path = created.path;
    std::unique_ptr<FileSink> sink = sinkFor(std::move(created));
    return {std::move(path), std::move(sink)};
}

void TempFiles::adoptAsciiTempPath(std::string path)
{
    if (!asciiTempPath_.empty() && asciiTempPath_ != path)
        ::unlink(asciiTempPath_.c_str());
    asciiTempPath_ = std::move(path);
}

void TempFiles::discardTempFile(const std::string& path) noexcept
{
    if (!path.empty())
        ::unlink(path.c_str());
}

bool TempFiles::makeTempNames(const std::string& dir)
{
    auto makeIn = [this](const std::string& folder) {
        setTempNameDir(folder);
        try {
            makeAsciiTempName();
            makeRtfTempName();
            makeBmpTempName();
            return true;
        } catch (const QuilletError&) {
            deleteTempFiles();
            return false;
        }
    };
    return makeIn(dir) || makeIn(getTempPath());
}

void TempFiles::deleteTempFiles() noexcept
{
    // unlink removes a link itself, never what it points at.
    const std::string picture = bmpPicturePath();
    for (const std::string& path : {asciiTempPath_, rtfTempPath_, bmpTempPath_, picture}) {
        if (!path.empty())
            ::unlink(path.c_str());
    }
    asciiTempPath_.clear();
    rtfTempPath_.clear();
    bmpTempPath_.clear();
    // Depth first and without following links: a link put into the folder
    // is removed itself, never what it points at.
    for (const std::string& folder : exportFolders_) {
        ::nftw(
            folder.c_str(),
            [](const char* path, const struct stat*, int type, struct FTW*) {
                (type == FTW_DP ? ::rmdir(path) : ::unlink(path));
                return 0;
            },
            8, FTW_DEPTH | FTW_PHYS);
    }
    exportFolders_.clear();
}

std::string TempFiles::makeExportFolder()
{
    std::string dir = tempNameDir_.empty() ? getTempPath() : tempNameDir_;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    std::string path = dir + std::string(TempFilePrefix) + "XXXXXX";
    if (!::mkdtemp(path.data()))
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::CreateFailed), dir);
    exportFolders_.push_back(path);
    return path;
}

} // namespace quillet::app
