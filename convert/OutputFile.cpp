// SPDX-License-Identifier: MIT
#include "convert/OutputFile.h"

#include "common/Errors.h"
#include "common/WriteAll.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <signal.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::cli {

namespace {

constexpr int CleanupSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The unfinished files, for the signal handler: a slot per OutputFile
// open at once (a batch has one per worker). Each slot is a lock-free
// atomic, so the handler never sees half a pointer.
constexpr std::size_t MaxUnfinished = 256;
std::atomic<const char*> unfinishedFiles[MaxUnfinished];
static_assert(std::atomic<const char*>::is_always_lock_free);

extern "C" void removeUnfinishedFile(int signal)
{
    for (const auto& slot : unfinishedFiles) {
        if (const char* path = slot.load())
            unlink(path);
    }
    // SA_RESETHAND has put back the default action; the signal stays blocked
    // until the handler returns and then ends the program as it would have.
    raise(signal);
}

struct sigaction heldActions[std::size(CleanupSignals)];
struct sigaction heldFileSizeAction;
std::mutex holdMutex;
int holders = 0;

// A free slot now holds `path`; CreateFailed when none is free.
std::size_t registerUnfinished(const char* path, const std::string& shown)
{
    for (std::size_t i = 0; i < MaxUnfinished; ++i) {
        const char* expected = nullptr;
        if (unfinishedFiles[i].compare_exchange_strong(expected, path))
            return i;
    }
    throw QuilletError(ErrorKind::CreateFailed, shown);
}

class BlockedSignals {
public:
    BlockedSignals()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : CleanupSignals)
            sigaddset(&set, signal);
        pthread_sigmask(SIG_BLOCK, &set, &previous_);
    }
    ~BlockedSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    BlockedSignals(const BlockedSignals&) = delete;
    BlockedSignals& operator=(const BlockedSignals&) = delete;

private:
    sigset_t previous_;
};

// The file that `path` names at the end of its chain of symbolic links; it
// need not exist yet (a dangling link names the file to create).
std::string followLinks(const std::string& path)
{
    std::filesystem::path at(path);
    // As many links as the kernel follows before it reports a loop.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return at.string();
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(at, error);
        if (error)
            throw QuilletError(errorKindOfErrno(error.value(), ErrorKind::CreateFailed), path);
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    throw QuilletError(ErrorKind::CreateFailed, path);
}

// A name for the temporary beside `target` that the folder accepts even when
// the target's own name is as long as a name can be.
std::string temporaryPattern(const std::string& target)
{
    const std::filesystem::path targetPath(target);
    const std::string folder = targetPath.has_parent_path() ? targetPath.parent_path().string() : ".";
    long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;
    constexpr std::size_t Decoration = 8; // the leading "." and ".XXXXXX"
    const std::string name = targetPath.filename().string();
    return folder + "/." + name.substr(0, static_cast<std::size_t>(nameMax) - Decoration) + ".XXXXXX";
}

mode_t modeForNewFile()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

OutputFile::SignalHold::SignalHold()
{
    std::lock_guard lock(holdMutex);
    if (holders++ > 0)
        return;
    struct sigaction cleanup {};
    cleanup.sa_handler = removeUnfinishedFile;
    sigemptyset(&cleanup.sa_mask);
    for (int signal : CleanupSignals)
        sigaddset(&cleanup.sa_mask, signal);
    cleanup.sa_flags = SA_RESETHAND;
    for (std::size_t i = 0; i < std::size(CleanupSignals); ++i) {
        sigaction(CleanupSignals[i], nullptr, &heldActions[i]);
        // A signal the caller ignores (nohup) stays ignored.
        const bool ignored = !(heldActions[i].sa_flags & SA_SIGINFO) && heldActions[i].sa_handler == SIG_IGN;
        if (!ignored)
            sigaction(CleanupSignals[i], &cleanup, nullptr);
    }
    // Past a file-size limit a write then fails with EFBIG and takes the
    // ordinary error path, which removes the unfinished file.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &heldFileSizeAction);
}

OutputFile::SignalHold::~SignalHold()
{
    std::lock_guard lock(holdMutex);
    if (--holders > 0)
        return;
    sigaction(SIGXFSZ, &heldFileSizeAction, nullptr);
    for (std::size_t i = 0; i < std::size(CleanupSignals); ++i)
        sigaction(CleanupSignals[i], &heldActions[i], nullptr);
}

OutputFile::OutputFile(const std::string& path, OutputPlacement placement) : path_(path)
{
    if (placement == OutputPlacement::NameInFolder) {
        target_ = path;
        openTemporary();
        return;
    }
    if (path.empty() || path == "-") {
        file_ = fdopen(dup(STDOUT_FILENO), "wb");
        sink_ = std::make_unique<FileSink>(file_, "standard output");
        return;
    }

    // A pipe or a device cannot be replaced by a file: it is written itself.
    // This asks before following any link, since /dev/stdout and the like
    // lead through links that only the kernel can follow.
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            throw QuilletError(errorKindOfErrno(errno, ErrorKind::CreateFailed), path);
        std::FILE* file = fdopen(fd, "wb");
        if (!file) {
            close(fd);
            throw QuilletError(ErrorKind::CreateFailed, path);
        }
        sink_ = std::make_unique<FileSink>(file, path);
        file_ = file;
        return;
    }

    // A link stays a link: the file it leads to is the one replaced.
    target_ = followLinks(path);
    openTemporary();
}

// The temporary beside target_, with the permission bits of the regular
// file it will replace.
void OutputFile::openTemporary()
{
    const std::string& path = path_;
    struct stat info;
    const mode_t mode =
        lstat(target_.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? (info.st_mode & 0777) : modeForNewFile();
    int fd = -1;
    {
        BlockedSignals blocked;
        tempPath_ = temporaryPattern(target_);
        fd = mkstemp(tempPath_.data());
        if (fd < 0) {
            const int error = errno;
            tempPath_.clear();
            throw QuilletError(errorKindOfErrno(error, ErrorKind::CreateFailed), path);
        }
        try {
            slot_ = registerUnfinished(tempPath_.c_str(), path);
        } catch (const QuilletError&) {
            unlink(tempPath_.c_str());
            close(fd);
            tempPath_.clear();
            throw;
        }
    }
    // mkstemp makes the file owner-only.
    fchmod(fd, mode);
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        discardTemp();
        throw QuilletError(ErrorKind::CreateFailed, path);
    }
    sink_ = std::make_unique<FileSink>(file, path);
    file_ = file;
}

OutputFile::~OutputFile()
{
    if (!committed_ && !tempPath_.empty()) {
        sink_.reset();
        discardTemp();
    }
}

void OutputFile::discardTemp() noexcept
{
    BlockedSignals blocked;
    unlink(tempPath_.c_str());
    unfinishedFiles[slot_].store(nullptr);
}

namespace {

void writeAll(int fd, const char* data, std::size_t size, const std::string& name)
{
    if (!quillet::writeAll(fd, std::string_view(data, size)))
        throw QuilletError(ErrorKind::WriteFailed, name);
}

#if defined(__linux__)
// Copies `in` from `offset` to its end onto `out` where it stands. False,
// with nothing written, when the kernel cannot copy between the two (a
// device, or file systems that do not); a failure after that throws.
bool copyInKernel(int in, off_t& offset, int out, const std::string& outName)
{
    constexpr std::size_t Step = 64u << 20;
    for (bool first = true;; first = false) {
        const ssize_t copied = copy_file_range(in, &offset, out, nullptr, Step, 0);
        if (copied > 0)
            continue;
        if (copied == 0)
            return true;
        if (errno == EINTR)
            continue;
        // A full disk or the file-size limit is the output's failure; other
        // refusals before any byte moved leave the copy to read and write.
        if (first && errno != EFBIG && errno != ENOSPC && errno != EDQUOT && errno != EIO)
            return false;
        throw QuilletError(ErrorKind::WriteFailed, outName);
    }
}
#endif

} // namespace

bool OutputFile::copyFile(std::string_view head, std::FILE* in, const std::string& inName)
{
    const off_t start = ftello(in);
    if (start < 0 || !file_)
        return false;
    if (std::fflush(file_) != 0)
        throw QuilletError(ErrorKind::WriteFailed, path_);
    const int inFd = fileno(in);
    const int outFd = fileno(file_);
    writeAll(outFd, head.data(), head.size(), path_);
    off_t offset = start;
#if defined(__linux__)
    if (copyInKernel(inFd, offset, outFd, path_))
        return true;
#endif
    constexpr std::size_t BlockSize = 1u << 20;
    const std::unique_ptr<char[]> block = std::make_unique<char[]>(BlockSize);
    for (;;) {
        const ssize_t got = pread(inFd, block.get(), BlockSize, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw QuilletError(ErrorKind::ReadFailed, inName);
        if (got == 0)
            return true;
        offset += got;
        writeAll(outFd, block.get(), static_cast<std::size_t>(got), path_);
    }
}

void OutputFile::commit()
{
    sink_->close();
    if (!tempPath_.empty()) {
        BlockedSignals blocked;
        if (std::rename(tempPath_.c_str(), target_.c_str()) != 0)
            throw QuilletError(errorKindOfErrno(errno, ErrorKind::WriteFailed), path_);
        unfinishedFiles[slot_].store(nullptr);
    }
    committed_ = true;
}

} // namespace quillet::cli
