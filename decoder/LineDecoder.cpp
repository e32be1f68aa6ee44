#include "decoder/LineDecoder.h"

#include "common/HexDigits.h"

#include "decoder/RealNumber.h"
#include "decoder/TokenTables.h"

#include <array>
#include <charconv>

namespace quillet {

namespace {

// Bytes after each code below 0x20. A line ends at the first 0x00 outside
// these, in whatever mode the line is: that is where the interpreter's
// re-linking after a load puts the next line.
constexpr std::array<std::uint8_t, 0x20> OperandLength = [] {
    std::array<std::uint8_t, 0x20> length{};
    length[token::OctalConstant] = 2;
    length[token::HexConstant] = 2;
    length[token::LineAddress] = 2;
    length[token::LineNumber] = 2;
    length[token::ByteConstant] = 1;
    length[token::IntegerConstant] = 2;
    length[token::SingleConstant] = 4;
    length[token::DoubleConstant] = 8;
    return length;
}();

void appendDecimal(LineBuffer& out, int value)
{
    char buffer[8];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

// No leading zeros; 0 is "0".
void appendPowerOfTwoDigits(LineBuffer& out, unsigned value, unsigned bitsPerDigit)
{
    char buffer[16];
    char* start = buffer + sizeof buffer;
    const unsigned mask = (1u << bitsPerDigit) - 1;
    do {
        *--start = upperHexDigit(value & mask);
        value >>= bitsPerDigit;
    } while (value != 0);
    out.append(start, buffer + sizeof buffer);
}

class LineDecoder {
public:
    LineDecoder(ByteSource& input, LineBuffer& out, ProgramMemory* memory)
        : in_(input), out_(out), memory_(memory), bodyStart_(out.size())
    {}

    // True when the line's end was read, false when the input ran out.
    bool run()
    {
        std::uint8_t b;
        while (in_.next(b)) {
            if (b == token::LineEnd)
                return true;
            if (b < 0x20) {
                if (!control(b))
                    return false;
            } else if (b < 0x80) {
                plain(b);
            } else if (string_ || rem_ || data_) {
                textByte(b);
            } else if (b == token::FunctionPrefix) {
                if (!in_.next(b))
                    return false;
                if (b == token::LineEnd)
                    return true;
                if (b >= token::FirstConstant && b <= token::LastConstant) {
                    // Not a function: a constant, which keeps its operand.
                    if (!control(b))
                        return false;
                } else if (auto name = functionToken(b)) {
                    out_ += *name;
                }
            } else {
                keyword(b);
            }
            if (out_.size() - bodyStart_ > MaxListedBody) {
                out_.resize(bodyStart_ + MaxListedBody);
                return skipToLineEnd();
            }
        }
        return false;
    }

private:
    bool read16(unsigned& value)
    {
        std::uint8_t low, high;
        if (!in_.next(low) || !in_.next(high))
            return false;
        value = high * 256u + low;
        return true;
    }

    bool readBytes(std::uint8_t* bytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            if (!in_.next(bytes[i]))
                return false;
        return true;
    }

    // 0x01 to 0x1F: the byte itself up to 0x0A, above it a constant, also
    // inside strings, comments and DATA. False when the input ran out.
    bool control(std::uint8_t b)
    {
        unsigned value;
        std::uint8_t byte;
        switch (b) {
        case token::OctalConstant:
        case token::HexConstant:
            if (!read16(value))
                return false;
            out_ += b == token::HexConstant ? "&H" : "&O";
            appendPowerOfTwoDigits(out_, value, b == token::HexConstant ? 4 : 3);
            return true;
        case token::LineAddress:
            if (!read16(value))
                return false;
            // The address is of the byte before the line: its number is 3 on.
            if (memory_) {
                if (const auto number = memory_->wordAt(value + 3)) {
                    appendDecimal(out_, *number);
                    return true;
                }
            }
            appendDecimal(out_, static_cast<int>(value));
            return true;
        case token::LineNumber:
            if (!read16(value))
                return false;
            appendDecimal(out_, static_cast<int>(value));
            return true;
        case token::IntegerConstant:
            if (!read16(value))
                return false;
            appendDecimal(out_, static_cast<std::int16_t>(value));
            return true;
        case token::ByteConstant:
            if (!in_.next(byte))
                return false;
            appendDecimal(out_, byte);
            return true;
        case token::Ten: out_ += "10"; return true;
        case token::SingleConstant:
        case token::DoubleConstant: {
            std::array<std::uint8_t, 8> bytes;
            const std::size_t count = b == token::SingleConstant ? 4 : 8;
            if (!readBytes(bytes.data(), count))
                return false;
            appendRealConstant(out_, std::span(bytes.data(), count), b == token::DoubleConstant);
            return true;
        }
        case token::InternalCode10:
        case token::InternalCode1E:
            // The interpreter's own markers: what it lists there is whatever
            // constant it read last, so nothing is listed.
            return true;
        default: break;
        }
        if (b <= token::LastPlainControl)
            out_ += static_cast<char>(b); // a graphic character's prefix, TAB, LF, ...
        else
            out_ += static_cast<char>('0' + (b - token::FirstDigit));
        return true;
    }

    void plain(std::uint8_t b)
    {
        out_ += static_cast<char>(b);
        if (b == token::Quote)
            string_ = !string_;
        else if (b == token::Colon && !string_)
            data_ = false;
    }

    // 0x80 to 0xFF inside a string, a comment or DATA.
    void textByte(std::uint8_t b)
    {
        // The tokenizer stores ' as colon, REM, apostrophe.
        static constexpr std::string_view ColonRem = ":REM";
        if (b == token::Apostrophe && rem_ && out_.size() - bodyStart_ >= ColonRem.size()
            && out_.view().ends_with(ColonRem)) {
            out_.resize(out_.size() - ColonRem.size());
            out_ += '\'';
            return;
        }
        out_ += static_cast<char>(b);
    }

    void keyword(std::uint8_t b)
    {
        if (b == token::Else) {
            // Stored after a colon that the listing leaves out.
            if (out_.size() > bodyStart_)
                out_.pop_back();
            out_ += "ELSE";
            return;
        }
        if (auto keyword = statementToken(b)) {
            out_ += *keyword;
            if (b == token::Data)
                data_ = true;
            else if (b == token::Rem)
                rem_ = true;
            return;
        }
        out_ += static_cast<char>(b); // 0x80, 0xFD, 0xFE: no keyword
    }

    // Past the longest body: the rest of the line adds nothing.
    bool skipToLineEnd()
    {
        std::uint8_t b;
        while (in_.next(b)) {
            if (b == token::LineEnd)
                return true;
            if (b < 0x20) {
                for (unsigned n = OperandLength[b]; n > 0; --n)
                    if (!in_.next(b))
                        return false;
            }
        }
        return false;
    }

    ByteSource& in_;
    LineBuffer& out_;
    ProgramMemory* memory_;
    const std::size_t bodyStart_;
    bool string_ = false;
    bool data_ = false;
    bool rem_ = false;
};

} // namespace

bool decodeLine(ByteSource& input, LineBuffer& out, ProgramMemory* memory)
{
    return LineDecoder(input, out, memory).run();
}

bool decodeLine(ByteSource& input, std::string& out, ProgramMemory* memory)
{
    LineBuffer line;
    const bool ended = decodeLine(input, line, memory);
    out += line.view();
    return ended;
}

std::string decodeLine(ByteSource& input, ProgramMemory* memory)
{
    std::string text;
    decodeLine(input, text, memory);
    return text;
}

} // namespace quillet
