// SPDX-License-Identifier: MIT
#include "decoder/ListingConverter.h"

#include "common/Errors.h"
#include "common/HexDigits.h"
#include "decoder/DecimalText.h"
#include "decoder/LineDecoder.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace quillet {

namespace {

constexpr unsigned FirstHiddenLine = 65530;
constexpr std::uint8_t Tab = 0x09;

// The program's bytes handed out in order, with those that fit in memory
// from 8001H to FFFFH kept, so that a line-address constant can read the
// line it points at, before or after it. Bytes past that are passed on
// without a copy, and so is a program the source holds whole already.
class ProgramBytes final : public ByteSource, public ProgramMemory {
public:
    explicit ProgramBytes(ByteSource& input) : input_(input)
    {
        if (const auto whole = input.restInMemory()) {
            image_ = whole->data();
            imageSize_ = std::min(Capacity, whole->size());
            rest_ = whole->subspan(imageSize_);
            input.skip(whole->size());
        } else {
            owned_ = std::make_unique_for_overwrite<std::uint8_t[]>(Capacity);
            image_ = owned_.get();
        }
    }

    // How many bytes have been handed out: the next one lies at
    // ProgramStartAddress + offset().
    std::size_t offset() const { return chunkOffset_ + static_cast<std::size_t>(pos_ - chunkStart_); }

    std::optional<std::uint16_t> wordAt(std::uint32_t address) override
    {
        if (address < ProgramStartAddress || address + 1 - ProgramStartAddress >= Capacity)
            return std::nullopt;
        const std::size_t at = address - ProgramStartAddress;
        while (imageSize_ < at + 2 && fillImage()) {}
        if (imageSize_ < at + 2)
            return std::nullopt;
        return static_cast<std::uint16_t>(image_[at] | image_[at + 1] << 8);
    }

protected:
    bool refill() override
    {
        const std::size_t served = offset();
        if (served == imageSize_)
            fillImage();
        if (served < imageSize_) {
            serve(image_, 0, served, imageSize_);
            return true;
        }
        std::span<const std::uint8_t> chunk = rest_;
        rest_ = {};
        if (chunk.empty())
            chunk = input_.nextChunk();
        if (chunk.empty()) {
            failed_ = input_.failed();
            return false;
        }
        serve(chunk.data(), served, 0, chunk.size());
        return true;
    }

private:
    static constexpr std::size_t Capacity = 0x10000 - ProgramStartAddress;

    void serve(const std::uint8_t* start, std::size_t startOffset, std::size_t from, std::size_t to)
    {
        chunkStart_ = start;
        chunkOffset_ = startOffset;
        pos_ = start + from;
        end_ = start + to;
    }

    // False when the image is full or the input has no more. The image
    // never moves, so what it hands out stays in place.
    bool fillImage()
    {
        if (!owned_ || imageSize_ == Capacity)
            return false;
        const auto chunk = input_.nextChunk();
        if (chunk.empty())
            return false;
        const std::size_t taken = std::min(Capacity - imageSize_, chunk.size());
        std::memcpy(owned_.get() + imageSize_, chunk.data(), taken);
        imageSize_ += taken;
        rest_ = chunk.subspan(taken);
        return true;
    }

    ByteSource& input_;
    std::unique_ptr<std::uint8_t[]> owned_; // none when the source's own bytes are the image
    const std::uint8_t* image_ = nullptr;
    std::size_t imageSize_ = 0;
    std::span<const std::uint8_t> rest_; // what the chunk that filled the image had left
    const std::uint8_t* chunkStart_ = nullptr;
    std::size_t chunkOffset_ = 0;
};

// Reads a little-endian word, in place where both bytes are buffered.
[[gnu::always_inline]] inline bool read16(ByteSource& input, unsigned& value)
{
    const std::span<const std::uint8_t> buffered = input.buffered();
    if (buffered.size() >= 2) {
        value = buffered[1] * 256u + buffered[0];
        input.skip(2);
        return true;
    }
    std::uint8_t low, high;
    if (!input.next(low) || !input.next(high))
        return false;
    value = high * 256u + low;
    return true;
}

char* putAddress(char* to, std::size_t offset)
{
    // Four digits, as an address of the machine; a file too long to load
    // there wraps round.
    const auto address = static_cast<unsigned>((ProgramStartAddress + offset) & 0xFFFF);
    for (unsigned shift = 16; shift > 0; shift -= 4)
        *to++ = upperHexDigit(address >> (shift - 4));
    *to++ = ' ';
    return to;
}

// Lines are gathered here and handed to the sink a block at a time: one
// write, not one per line, and no copy of each line on its way.
class LineBlock {
public:
    // The longest line: an address, a number, their blanks, the body's
    // room and CR LF.
    static constexpr std::size_t LongestLine = 5 + 6 + LineBodyRoom + 2;
    static constexpr std::size_t Size = 64 * 1024;

    explicit LineBlock(ByteSink& sink) : sink_(sink), data_(new char[Size + LongestLine]) {}

    // Where the next line goes; it has LongestLine bytes.
    char* next() { return data_.get() + used_; }
    // Takes the line written at next() up to `end`, where its line end goes.
    void take(const ListingLine&, char* end)
    {
        *end++ = '\r';
        *end++ = '\n';
        used_ = static_cast<std::size_t>(end - data_.get());
        if (used_ >= Size)
            flush();
    }
    void flush()
    {
        if (used_ != 0)
            sink_.write(data_.get(), std::exchange(used_, 0));
    }

private:
    ByteSink& sink_;
    std::unique_ptr<char[]> data_;
    std::size_t used_ = 0;
};

// The lines of a program as listed, each written at target.next() and
// handed to target.take(); `roles`, when given, are the decoder's for each
// body. The one walk behind the ASCII listing and the listed lines.
template <typename Target> [[gnu::always_inline]] inline ProgramEnd
walkProgram(ByteSource& input, const ListingOptions& options, LineRoles* roles, Target& target)
{
    ProgramBytes program(input);
    ProgramEnd programEnd = ProgramEnd::Complete;
    for (;;) {
        const std::size_t lineOffset = program.offset();
        unsigned link, number;
        if (!read16(program, link)) {
            programEnd = ProgramEnd::Truncated;
            break;
        }
        if (link == 0)
            break;
        if (!read16(program, number)) {
            programEnd = ProgramEnd::Truncated;
            break;
        }

        char* const line = target.next();
        char* at = line;
        if (options.isViewLineAddress)
            at = putAddress(at, lineOffset);
        char* const numberAt = at;
        at = putDecimal(at, number);
        *at++ = ' ';
        char* body = at;
        const std::size_t bodyOffset = program.offset();
        std::size_t length = 0;
        bool lineEnded = false;
        try {
            if (roles) {
                roles->clear();
                roles->push_back({static_cast<std::uint32_t>(numberAt - line),
                                  static_cast<std::uint32_t>(body - 1 - numberAt), Role::LineNumber});
                lineEnded =
                    decodeLineAt(program, body, length, &program, *roles, static_cast<std::size_t>(body - line));
            } else {
                lineEnded = decodeLineAt(program, body, length, &program);
            }
        } catch (const QuilletError& error) {
            target.flush(); // the lines before it stay written
            throw QuilletError(error.kind(), number, error.detail());
        }
        if (program.offset() == bodyOffset) {
            // Cut before its body: there is no line to list. A line whose
            // body is empty is listed, as MSX BASIC lists it: its number
            // and the blank.
            programEnd = ProgramEnd::Truncated;
            break;
        }
        if (length > 0 && static_cast<std::uint8_t>(body[0]) == Tab) {
            // A body that starts with TAB has no blank before it.
            std::memmove(body - 1, body, length);
            --body;
            if (roles) {
                for (std::size_t i = 1; i < roles->size(); ++i)
                    --(*roles)[i].start;
            }
        }
        if (number < FirstHiddenLine || options.isViewOverLine65530) {
            const ListingLine listed{static_cast<std::uint16_t>(number),
                                     std::string_view(line, static_cast<std::size_t>(body + length - line)),
                                     static_cast<std::size_t>(numberAt - line), static_cast<std::size_t>(body - line)};
            target.take(listed, body + length);
        }
        if (!lineEnded) {
            programEnd = ProgramEnd::Truncated;
            break;
        }
    }
    target.flush();
    if (input.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    return programEnd;
}

// Each line in one buffer, handed to a caller's function.
class EachLine {
public:
    explicit EachLine(const std::function<void(const ListingLine&)>& each) : each_(each) {}
    char* next() { return line_; }
    void take(const ListingLine& line, char*) { each_(line); }
    void flush() {}

private:
    const std::function<void(const ListingLine&)>& each_;
    char line_[LineBlock::LongestLine];
};

} // namespace

ProgramEnd convertTokenizedBasic(ByteSource& input, ByteSink& output, const ListingOptions& options)
{
    LineBlock block(output);
    return walkProgram(input, options, nullptr, block);
}

ProgramEnd forEachProgramLine(ByteSource& input, const ListingOptions& options, LineRoles* roles,
                              const std::function<void(const ListingLine&)>& each)
{
    EachLine lines(each);
    return walkProgram(input, options, roles, lines);
}

} // namespace quillet
