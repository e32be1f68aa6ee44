// SPDX-License-Identifier: MIT
#include "document/HexView.h"

#include "common/Errors.h"
#include "common/HexDigits.h"
#include "image/BsaveHeader.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace quillet {

namespace {

// The address columns: a BSAVE file's memory addresses, any other file's
// offsets up to the largest member a container opens.
constexpr int BsaveAddressDigits = 4;
constexpr int OffsetDigits = 6;

void appendHex(std::string& out, std::uint64_t value, int digits)
{
    // A value past the digits asked for takes more, rather than lose its top.
    while (digits < 16 && value >> (4 * digits) != 0)
        ++digits;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += upperHexDigit(static_cast<unsigned>(value >> shift));
}

// An address as MSX BASIC writes it: &HC000.
std::string msxHex(std::uint64_t value)
{
    std::string text = "&H";
    appendHex(text, value, 4);
    return text;
}

std::string lengthText(std::uint64_t bytes)
{
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes") + " (" + msxHex(bytes) + ")";
}

// The MSX font has a glyph for every other byte; the control codes and DEL
// would act in a listing instead of showing.
bool shownAsIs(std::uint8_t byte)
{
    return byte >= 0x20 && byte != 0x7F;
}

// Lines of 16 bytes from `address` on.
class Dump {
public:
    Dump(std::uint64_t address, int digits, const std::function<void(std::string_view)>& each)
        : address_(address), digits_(digits), each_(each)
    {}

    void add(std::span<const std::uint8_t> bytes)
    {
        for (const std::uint8_t byte : bytes) {
            line_[filled_++] = byte;
            if (filled_ == line_.size())
                flush();
        }
        count_ += bytes.size();
    }
    // Writes the last line, short or not; the number of bytes dumped.
    std::uint64_t finish()
    {
        if (filled_ > 0)
            flush();
        return count_;
    }

private:
    void flush()
    {
        text_.clear();
        appendHex(text_, address_, digits_);
        text_ += ' ';
        for (std::size_t i = 0; i < line_.size(); ++i) {
            text_ += i == line_.size() / 2 ? "  " : " ";
            if (i < filled_) {
                text_ += upperHexDigit(line_[i] >> 4);
                text_ += upperHexDigit(line_[i]);
            } else
                text_ += "  ";
        }
        text_ += "  ";
        for (std::size_t i = 0; i < filled_; ++i)
            text_ += shownAsIs(line_[i]) ? static_cast<char>(line_[i]) : '.';
        each_(text_);
        address_ += filled_;
        filled_ = 0;
    }

    std::uint64_t address_;
    int digits_;
    const std::function<void(std::string_view)>& each_;
    std::array<std::uint8_t, HexViewBytesPerLine> line_{};
    std::size_t filled_ = 0;
    std::uint64_t count_ = 0;
    std::string text_;
};

// Every byte `rest` still has, into `dump`.
std::uint64_t dumpRest(ByteSource& rest, Dump& dump, const std::string& name)
{
    for (auto chunk = rest.nextChunk(); !chunk.empty(); chunk = rest.nextChunk())
        dump.add(chunk);
    if (rest.failed())
        throw QuilletError(ErrorKind::ReadFailed, name);
    return dump.finish();
}

void bsaveBinaryLines(const DocumentHead& head, ByteSource& rest, const std::function<void(std::string_view)>& each)
{
    std::array<std::uint8_t, BsaveHeaderBytes - 1> addresses{};
    std::size_t got = 0;
    while (got < addresses.size() && rest.next(addresses[got]))
        ++got;
    if (rest.failed())
        throw QuilletError(ErrorKind::ReadFailed, head.name);
    const BsaveHeader header = bsaveHeaderOf(std::span<const std::uint8_t>(addresses.data(), got));
    // BSAVE saves from the start address to the end address, both included.
    const std::uint64_t named =
        header.endAddress >= header.startAddress ? std::uint64_t{header.endAddress} - header.startAddress + 1 : 0;
    each("BSAVE binary");
    each("Start address      " + msxHex(header.startAddress));
    each("End address        " + msxHex(header.endAddress));
    each("Execution address  " + msxHex(header.executionAddress));
    each("Length             " + lengthText(named));
    each("");
    Dump dump(header.startAddress, BsaveAddressDigits, each);
    const std::uint64_t held = dumpRest(rest, dump, head.name);
    // What BLOAD would load differs from what the file holds: a file cut
    // short, or bytes past the end address that BLOAD leaves.
    if (held < named) {
        each("");
        each("The file ends " + lengthText(named - held) + " before the end address.");
    } else if (held > named) {
        each("");
        each("The file holds " + lengthText(held - named) + " past the end address.");
    }
}

void binaryLines(const DocumentHead& head, ByteSource& rest, const std::function<void(std::string_view)>& each)
{
    each("Binary file");
    each("");
    Dump dump(0, OffsetDigits, each);
    if (head.firstByte)
        dump.add(std::span(&*head.firstByte, 1));
    const std::uint64_t held = dumpRest(rest, dump, head.name);
    each("");
    each("Length             " + lengthText(held));
}

} // namespace

void forEachHexViewLine(const DocumentHead& head, ByteSource& rest, const std::function<void(std::string_view)>& each)
{
    if (head.kind == DocumentKind::BsaveBinary && head.firstByte == BsaveTypeByte)
        bsaveBinaryLines(head, rest, each);
    else
        binaryLines(head, rest, each);
}

void writeHexView(const DocumentHead& head, ByteSource& rest, ByteSink& out)
{
    constexpr std::size_t BlockBytes = 64 * 1024;
    std::string block;
    block.reserve(BlockBytes + 128);
    forEachHexViewLine(head, rest, [&](std::string_view line) {
        block.append(line);
        block.append("\r\n");
        if (block.size() >= BlockBytes) {
            out.write(block);
            block.clear();
        }
    });
    out.write(block);
}

} // namespace quillet
