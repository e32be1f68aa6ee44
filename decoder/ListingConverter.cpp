#include "decoder/ListingConverter.h"

#include "common/Errors.h"
#include "common/HexDigits.h"
#include "decoder/LineDecoder.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

namespace quillet {

namespace {

constexpr unsigned FirstHiddenLine = 65530;
constexpr std::uint8_t Tab = 0x09;

// The program's bytes handed out in order, with those that fit in memory
// from 8001H to FFFFH kept, so that a line-address constant can read the
// line it points at, before or after it. Bytes past that are passed on
// without a copy.
class ProgramBytes final : public ByteSource, public ProgramMemory {
public:
    explicit ProgramBytes(ByteSource& input) : input_(input) { image_.reserve(Capacity); }

    // How many bytes have been handed out: the next one lies at
    // ProgramStartAddress + offset().
    std::size_t offset() const { return chunkOffset_ + static_cast<std::size_t>(pos_ - chunkStart_); }

    std::optional<std::uint16_t> wordAt(std::uint32_t address) override
    {
        if (address < ProgramStartAddress || address + 1 - ProgramStartAddress >= Capacity)
            return std::nullopt;
        const std::size_t at = address - ProgramStartAddress;
        while (image_.size() < at + 2 && fillImage()) {}
        if (image_.size() < at + 2)
            return std::nullopt;
        return static_cast<std::uint16_t>(image_[at] | image_[at + 1] << 8);
    }

protected:
    bool refill() override
    {
        const std::size_t served = offset();
        if (served == image_.size())
            fillImage();
        if (served < image_.size()) {
            serve(image_.data(), 0, served, image_.size());
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
    // never grows past its reserve, so what it hands out stays in place.
    bool fillImage()
    {
        if (image_.size() == Capacity)
            return false;
        const auto chunk = input_.nextChunk();
        if (chunk.empty())
            return false;
        const std::size_t taken = std::min(Capacity - image_.size(), chunk.size());
        image_.insert(image_.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(taken));
        rest_ = chunk.subspan(taken);
        return true;
    }

    ByteSource& input_;
    std::vector<std::uint8_t> image_;
    std::span<const std::uint8_t> rest_; // what the chunk that filled the image had left
    const std::uint8_t* chunkStart_ = nullptr;
    std::size_t chunkOffset_ = 0;
};

bool read16(ByteSource& input, unsigned& value)
{
    std::uint8_t low, high;
    if (!input.next(low) || !input.next(high))
        return false;
    value = high * 256u + low;
    return true;
}

void appendAddress(LineBuffer& line, std::size_t offset)
{
    // Four digits, as an address of the machine; a file too long to load
    // there wraps round.
    const auto address = static_cast<unsigned>((ProgramStartAddress + offset) & 0xFFFF);
    for (unsigned shift = 16; shift > 0; shift -= 4)
        line += upperHexDigit(address >> (shift - 4));
    line += ' ';
}

} // namespace

ProgramEnd convertTokenizedBasic(ByteSource& input, ByteSink& output, const ListingOptions& options)
{
    ProgramBytes program(input);
    LineBuffer line;
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

        line.clear();
        if (options.isViewLineAddress)
            appendAddress(line, lineOffset);
        char digits[8];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
        line.append(digits, end);
        line += ' ';
        const std::size_t bodyStart = line.size();
        const std::size_t bodyOffset = program.offset();
        bool lineEnded = false;
        try {
            lineEnded = decodeLine(program, line, &program);
        } catch (const QuilletError& error) {
            throw QuilletError(error.kind(), number, error.detail());
        }
        const std::size_t bodyBytes = program.offset() - bodyOffset; // the line end included
        if (bodyBytes == 0 || (lineEnded && bodyBytes == 1)) {
            // An empty line ends the program; cut before its end, there is
            // no line to list.
            if (!lineEnded)
                programEnd = ProgramEnd::Truncated;
            break;
        }
        if (line.size() > bodyStart && static_cast<std::uint8_t>(line[bodyStart]) == Tab)
            line.erase(bodyStart - 1); // a body that starts with TAB has no blank before it
        if (number < FirstHiddenLine || options.isViewOverLine65530) {
            line += "\r\n";
            output.write(line.view());
        }
        if (!lineEnded) {
            programEnd = ProgramEnd::Truncated;
            break;
        }
    }
    if (input.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    return programEnd;
}

} // namespace quillet
