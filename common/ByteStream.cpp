// SPDX-License-Identifier: MIT
#include "common/ByteStream.h"

#include "common/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {

bool FileSource::refill()
{
    if (!file_ || failed_)
        return false;
    std::size_t got = std::fread(buffer_, 1, sizeof buffer_, file_);
    if (got == 0) {
        failed_ = std::ferror(file_) != 0;
        return false;
    }
    pos_ = buffer_;
    end_ = buffer_ + got;
    return true;
}

bool CopyingSource::refill()
{
    const auto chunk = from_.nextChunk();
    if (chunk.empty()) {
        failed_ = from_.failed();
        return false;
    }
    copy_.write(chunk.data(), chunk.size());
    pos_ = chunk.data();
    end_ = chunk.data() + chunk.size();
    return true;
}

#if defined(__unix__) || defined(__APPLE__)
namespace {

// Waits up to `wait` for a pipe opened without waiting to have something to
// read: data, or the end of a writer that came and went. False when no
// program has it open for writing by then. A writer that holds it open and
// has written nothing yet is left for the blocking reads to wait on; the
// byte that telling it apart may take is put in `taken`.
bool awaitWriter(int fd, std::chrono::milliseconds wait, int& taken)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        const int got = ::poll(&ready, 1, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        if (got > 0 || (got < 0 && errno != EINTR))
            return true; // the reads tell what there is, an error included
        if (got == 0)
            break;
    }
    // Without a writer a read ends at once; with one it would wait.
    unsigned char byte;
    const ssize_t read = ::read(fd, &byte, 1);
    if (read == 1)
        taken = byte;
    return read != 0;
}

} // namespace
#endif

FilePtr openForReading(const std::string& path, std::chrono::milliseconds writerWait)
{
#if defined(__unix__) || defined(__APPLE__)
    // Non-blocking, so that a named pipe opens before a writer comes.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), path);
    const auto fail = [fd, &path](ErrorKind kind) {
        ::close(fd);
        throw QuilletError(kind, path);
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        fail(ErrorKind::ReadFailed);
    // A folder opens for reading here and only fails at the first read.
    if (S_ISDIR(info.st_mode))
        fail(ErrorKind::NotRegularFile);
    int taken = EOF;
    if (S_ISFIFO(info.st_mode) && !awaitWriter(fd, writerWait, taken))
        fail(ErrorKind::NoWriter);
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* file = flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ? nullptr : ::fdopen(fd, "rb");
    if (!file)
        fail(ErrorKind::ReadFailed);
    FilePtr opened(file);
    if (taken != EOF && std::ungetc(taken, file) == EOF)
        throw QuilletError(ErrorKind::ReadFailed, path);
    return opened;
#else
    (void)writerWait;
    // A folder opens for reading here and only fails at the first read.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        throw QuilletError(ErrorKind::NotRegularFile, path);
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), path);
    return file;
#endif
}

FilePtr openRegularFileForReading(const std::string& path)
{
#if defined(__unix__) || defined(__APPLE__)
    // Non-blocking, so that a pipe without a writer opens at once and is
    // then refused; the file itself is read blocking.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), path);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        throw QuilletError(ErrorKind::ReadFailed, path);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        throw QuilletError(ErrorKind::NotRegularFile, path);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* file = flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ? nullptr : ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        throw QuilletError(ErrorKind::ReadFailed, path);
    }
    return FilePtr(file);
#else
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw QuilletError(ErrorKind::NotRegularFile, path);
    return openForReading(path);
#endif
}

namespace {
constexpr std::size_t SinkBufferSize = 64 * 1024;
constexpr std::size_t SinkDirectSize = 4096;
} // namespace

FileSink::FileSink(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb"))
{
    if (!file_)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::CreateFailed), path);
    buffer_.reserve(SinkBufferSize);
}

FileSink::FileSink(std::FILE* adopted, std::string name) : path_(std::move(name)), file_(adopted)
{
    if (!file_)
        throw QuilletError(ErrorKind::CreateFailed, path_);
    buffer_.reserve(SinkBufferSize);
}

FileSink::~FileSink()
{
    if (file_)
        std::fclose(file_);
}

void FileSink::write(const void* data, std::size_t size)
{
    if (!file_)
        throw QuilletError(ErrorKind::WriteFailed, path_);
    if (buffer_.size() + size > SinkBufferSize)
        flush();
    // A block as big as a page goes straight on when nothing waits before
    // it: copying it into the buffer would only touch fresh memory.
    if (size >= SinkBufferSize || (buffer_.empty() && size >= SinkDirectSize)) {
        if (std::fwrite(data, 1, size, file_) != size)
            throw QuilletError(ErrorKind::WriteFailed, path_);
        return;
    }
    buffer_.append(static_cast<const char*>(data), size);
}

void FileSink::flush()
{
    if (!buffer_.empty()) {
        std::size_t size = buffer_.size();
        bool ok = std::fwrite(buffer_.data(), 1, size, file_) == size;
        buffer_.clear();
        if (!ok)
            throw QuilletError(ErrorKind::WriteFailed, path_);
    }
}

void FileSink::close()
{
    if (!file_)
        return;
    bool ok = true;
    try {
        flush();
    } catch (const QuilletError&) {
        ok = false;
    }
    ok = (std::fflush(file_) == 0) && ok;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (!ok)
        throw QuilletError(ErrorKind::WriteFailed, path_);
}

} // namespace quillet
