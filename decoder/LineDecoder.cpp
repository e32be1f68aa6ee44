#include "decoder/LineDecoder.h"

#include "common/HexDigits.h"

#include "decoder/RealNumber.h"
#include "decoder/TokenTables.h"

#include <array>
#include <charconv>

namespace quillet {

std::string stripLeadingZeros(std::string_view text)
{
    const auto first = text.find_first_not_of('0');
    if (first == std::string_view::npos)
        return text.empty() ? std::string() : std::string("0");
    return std::string(text.substr(first));
}

std::string stripTrailingZeros(std::string_view text)
{
    const auto last = text.find_last_not_of('0');
    return std::string(text.substr(0, last == std::string_view::npos ? 0 : last + 1));
}

std::string octalDigits(std::uint16_t value)
{
    std::string text(6, '0');
    for (int i = 0; i < 6; ++i)
        text[static_cast<std::size_t>(i)] = static_cast<char>('0' + ((value >> (15 - 3 * i)) & 7));
    return text;
}

namespace {

void appendDecimal(std::string& out, unsigned value)
{
    char buffer[8];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

std::string hexDigits(std::uint16_t value)
{
    std::string text(4, '0');
    for (int i = 0; i < 4; ++i)
        text[static_cast<std::size_t>(i)] = upperHexDigit(static_cast<unsigned>(value >> (12 - 4 * i)));
    return text;
}

class LineDecoder {
public:
    LineDecoder(ByteSource& input, std::string& out) : in_(input), out_(out), lineStart_(out.size()) {}

    // True when the line's end was read, false when the input ran out.
    bool run()
    {
        std::uint8_t b;
        for (;;) {
            if (hasPending_) {
                b = pending_;
                hasPending_ = false;
            } else if (!in_.next(b)) {
                return false;
            }
            if (b >= 0x20) {
                if (comment_) {
                    out_ += static_cast<char>(b);
                    continue;
                }
                if (string_ && b != token::Quote) {
                    out_ += static_cast<char>(b);
                    continue;
                }
                if (data_) {
                    if (b == token::Quote)
                        dataQuote_ = !dataQuote_;
                    if (b == token::Colon && !dataQuote_) {
                        data_ = false;
                        setPending(b);
                    } else {
                        out_ += static_cast<char>(b);
                    }
                    continue;
                }
            }
            if (!dispatch(b))
                return ended_;
        }
    }

private:
    void setPending(std::uint8_t b)
    {
        pending_ = b;
        hasPending_ = true;
    }

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

    bool lineHasVisibleText() const
    {
        for (std::size_t i = lineStart_; i < out_.size(); ++i)
            if (static_cast<std::uint8_t>(out_[i]) > 0x20)
                return true;
        return false;
    }

    // False when the line is complete or the input ran out.
    bool dispatch(std::uint8_t b)
    {
        unsigned value;
        std::uint8_t next;
        switch (b) {
        case token::LineEnd: ended_ = true; return false;
        case token::GraphicPrefix:
            if (!in_.next(next))
                return false;
            out_ += static_cast<char>(token::GraphicPrefix);
            out_ += static_cast<char>(next);
            return true;
        case token::OctalConstant:
            if (!read16(value))
                return false;
            out_ += "&O";
            out_ += stripLeadingZeros(octalDigits(static_cast<std::uint16_t>(value)));
            return true;
        case token::HexConstant:
            if (!read16(value))
                return false;
            out_ += "&H";
            out_ += stripLeadingZeros(hexDigits(static_cast<std::uint16_t>(value)));
            return true;
        case token::LineAddress:
        case token::LineNumber:
        case token::IntegerConstant:
            if (!read16(value))
                return false;
            appendDecimal(out_, value);
            return true;
        case token::ByteConstant:
            if (!in_.next(next))
                return false;
            appendDecimal(out_, next);
            return true;
        case token::SingleConstant:
        case token::DoubleConstant: {
            std::array<std::uint8_t, 8> bytes;
            const std::size_t count = b == token::SingleConstant ? 4 : 8;
            if (!readBytes(bytes.data(), count))
                return false;
            out_ += realConstantText(std::span(bytes.data(), count), b == token::DoubleConstant);
            return true;
        }
        case token::Colon: return colon();
        case token::FunctionPrefix:
            if (!in_.next(next))
                return false;
            if (auto name = functionToken(next)) {
                out_ += *name;
            } else if (next < 0x20) {
                // Not a function code: let the byte act on its own, so that a
                // 0x00 still ends the line and operands stay in step.
                setPending(next);
            }
            return true;
        default: break;
        }
        if (b >= token::FirstDigit && b <= token::LastDigit) {
            out_ += static_cast<char>('0' + (b - token::FirstDigit));
            return true;
        }
        if (b < 0x20)
            return true; // codes without meaning
        if (auto keyword = statementToken(b)) {
            out_ += *keyword;
            if (b == token::Data) {
                data_ = true;
                dataQuote_ = false;
            } else if (b == token::Rem || b == token::Apostrophe) {
                comment_ = true;
            }
            return true;
        }
        if (b == token::Quote)
            string_ = !string_;
        out_ += static_cast<char>(b);
        return true;
    }

    bool colon()
    {
        std::uint8_t n;
        if (!in_.next(n))
            return false;
        if (n == token::Else) {
            out_ += "ELSE";
            return true;
        }
        if (n == token::Rem) {
            comment_ = true;
            std::uint8_t m;
            if (!in_.next(m))
                return false;
            if (m == token::Apostrophe) {
                out_ += '\'';
                return true;
            }
            if (lineHasVisibleText())
                out_ += ':';
            out_ += "REM";
            setPending(m);
            return true;
        }
        out_ += ':';
        setPending(n);
        return true;
    }

    ByteSource& in_;
    std::string& out_;
    const std::size_t lineStart_;
    bool comment_ = false;
    bool string_ = false;
    bool data_ = false;
    bool dataQuote_ = false;
    bool hasPending_ = false;
    bool ended_ = false;
    std::uint8_t pending_ = 0;
};

} // namespace

bool decodeLine(ByteSource& input, std::string& out)
{
    return LineDecoder(input, out).run();
}

std::string decodeLine(ByteSource& input)
{
    std::string text;
    decodeLine(input, text);
    return text;
}

} // namespace quillet
