// SPDX-License-Identifier: MIT
#pragma once
// Forward-only byte sources and byte sinks shared by every converter.
// Sources hand out one byte at a time from a buffer, so the per-byte cost
// stays an inline compare; only refills are virtual.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace quillet {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads one byte; false when the source is exhausted (or failed).
    bool next(std::uint8_t& byte)
    {
        if (pos_ == end_ && !refill())
            return false;
        byte = *pos_++;
        return true;
    }

    // Hands out every byte buffered now at once, refilling first when none
    // are; empty at the end. The bytes stay valid until the next read.
    std::span<const std::uint8_t> nextChunk()
    {
        if (pos_ == end_ && !refill())
            return {};
        const std::span<const std::uint8_t> chunk(pos_, end_);
        pos_ = end_;
        return chunk;
    }

    // The bytes buffered now, for a reader that takes them in place rather
    // than one next() at a time; skip() then says how many it took.
    std::span<const std::uint8_t> buffered() const noexcept { return {pos_, end_}; }
    void skip(std::size_t count) noexcept { pos_ += count; }

    // True when the source ended because of a read error, not its end.
    bool failed() const noexcept { return failed_; }

    // Every byte still to come, when the source holds them all in memory
    // already and keeps them there until it goes; nullopt when some are
    // still to be read. A reader may take them in place and skip() them.
    virtual std::optional<std::span<const std::uint8_t>> restInMemory() const { return std::nullopt; }

protected:
    // Points pos_/end_ at fresh bytes; false at the end.
    virtual bool refill() = 0;

    const std::uint8_t* pos_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    bool failed_ = false;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes)
    {
        pos_ = bytes.data();
        end_ = bytes.data() + bytes.size();
    }
    explicit MemorySource(std::string_view bytes)
        : MemorySource(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()))
    {}

    std::optional<std::span<const std::uint8_t>> restInMemory() const override { return std::span(pos_, end_); }

protected:
    bool refill() override { return false; }
};

// Reads an already opened stdio stream; the caller keeps ownership.
class FileSource final : public ByteSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    // Serves `head`, bytes already read from the file's start, then the
    // rest of the file.
    FileSource(std::FILE* file, std::string head) : file_(file), head_(std::move(head))
    {
        pos_ = reinterpret_cast<const std::uint8_t*>(head_.data());
        end_ = pos_ + head_.size();
    }

    // Once the file's end has been met, what is buffered is all there is,
    // and no later read moves it.
    std::optional<std::span<const std::uint8_t>> restInMemory() const override
    {
        if (file_ && !std::feof(file_))
            return std::nullopt;
        return std::span(pos_, end_);
    }

protected:
    bool refill() override;

private:
    std::FILE* file_;
    std::string head_;
    std::uint8_t buffer_[64 * 1024];
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Throws QuilletError(WriteFailed) when the bytes cannot be written.
    virtual void write(const void* data, std::size_t size) = 0;
    void write(std::string_view text) { write(text.data(), text.size()); }
    void put(std::uint8_t byte) { write(&byte, 1); }
};

// Hands out what another source reads, writing each chunk to `copy` as it
// goes: a stream read once is kept for a second reading or another output.
class CopyingSource final : public ByteSource {
public:
    CopyingSource(ByteSource& from, ByteSink& copy) : from_(from), copy_(copy) {}

protected:
    bool refill() override;

private:
    ByteSource& from_;
    ByteSink& copy_;
};

class StringSink final : public ByteSink {
public:
    void write(const void* data, std::size_t size) override { text_.append(static_cast<const char*>(data), size); }
    using ByteSink::write;
    const std::string& str() const noexcept { return text_; }

private:
    std::string text_;
};

struct FileCloser {
    void operator()(std::FILE* file) const noexcept
    {
        if (file)
            std::fclose(file);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// How long opening a named pipe (FIFO) waits for a program to open it for
// writing: enough for a writer started beside the reader to get there.
inline constexpr std::chrono::milliseconds PipeWriterWait{2000};

// Opens a file for reading in binary mode. Throws QuilletError named after
// the cause (FileNotFound, PermissionDenied, NotRegularFile for a folder,
// ReadFailed). A pipe is read as it comes, and so is a named pipe once a
// program writes to it; one that no program opens for writing within
// `writerWait` fails as NoWriter instead of waiting for ever.
FilePtr openForReading(const std::string& path, std::chrono::milliseconds writerWait = PipeWriterWait);

// The same for a document the user opens: anything but a regular file (a
// pipe, a device, a folder) is refused as NotRegularFile without waiting on
// it, so opening never blocks.
FilePtr openRegularFileForReading(const std::string& path);

// Writes to a file it opens itself (create or truncate, binary). Buffered;
// close() reports a failed flush or close, so a full disk is never taken
// for success.
class FileSink final : public ByteSink {
public:
    explicit FileSink(const std::string& path); // throws CreateFailed
    // Takes over an already opened stream; `name` is used in error texts.
    FileSink(std::FILE* adopted, std::string name);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void write(const void* data, std::size_t size) override;
    using ByteSink::write;
    void close(); // throws WriteFailed

private:
    void flush();
    std::string path_;
    std::FILE* file_;
    std::string buffer_;
};

} // namespace quillet
