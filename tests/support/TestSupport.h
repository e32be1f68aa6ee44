// SPDX-License-Identifier: MIT
#pragma once
// Helpers shared by the test programs: annotated hex, sample paths,
// scratch directories, whole-file reads and writes, and a source and a sink
// that fail on purpose.

#include "common/ByteStream.h"
#include "common/Errors.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::test {

// Bytes from annotated hex: pairs of hex digits separated by blanks; "#"
// starts a comment that runs to the end of the line. Throws on bad input.
std::string hexBytes(std::string_view annotated);

std::filesystem::path sourceDir();
std::filesystem::path samplePath(std::string_view name);
// The shared corpus of real files; empty when it is not beside the checkout.
std::filesystem::path corpusDir();

// Checks the shape of an ASCII listing of a tokenized program: whole lines
// of [address blank] number, a blank (none when the body starts with TAB),
// a body of at most 255 bytes with no 00 nor 0B to 1F (those are constants)
// and CR LF. Reports through gtest.
void expectListingLines(std::string_view listing, bool withAddresses = false);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view bytes);
// The names of what a folder holds, sorted.
std::vector<std::string> namesIn(const std::filesystem::path& dir);

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Hands out `bytes`, then reports a read error instead of the end.
class FailingSource final : public ByteSource {
public:
    explicit FailingSource(std::string bytes) : bytes_(std::move(bytes)) {}

protected:
    bool refill() override
    {
        if (served_ || bytes_.empty()) {
            failed_ = true;
            return false;
        }
        served_ = true;
        pos_ = reinterpret_cast<const std::uint8_t*>(bytes_.data());
        end_ = pos_ + bytes_.size();
        return true;
    }

private:
    std::string bytes_;
    bool served_ = false;
};

// A sink on a full disk.
class FailingSink final : public ByteSink {
public:
    void write(const void*, std::size_t) override { throw QuilletError(ErrorKind::WriteFailed, "disk full"); }
    using ByteSink::write;
};

} // namespace quillet::test
