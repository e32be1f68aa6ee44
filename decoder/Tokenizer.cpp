// SPDX-License-Identifier: MIT
#include "decoder/Tokenizer.h"

#include "common/Errors.h"
#include "decoder/RoleBuilder.h"
#include "decoder/TokenTables.h"

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

namespace quillet {

namespace {

constexpr std::uint8_t Blank = 0x20;
constexpr std::uint8_t Tab = 0x09;
constexpr std::uint8_t LineFeed = 0x0A;
constexpr std::uint8_t EndOfFile = 0x1A;
constexpr unsigned LargestInteger = 32767;
// Digits the number reader keeps; the rest only move the point.
constexpr int KeptDigits = 16;
constexpr int SingleDigits = 6;
constexpr int DoubleDigits = 14;
// A written exponent this large overflows whatever the digits.
constexpr int ExponentLimit = 120;
constexpr int ExponentBias = 64;
constexpr int LargestExponentByte = 127;

bool isDigit(std::uint8_t c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(std::uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::uint8_t upper(std::uint8_t c)
{
    return c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - 'a' + 'A') : c;
}

// One line's text after its number to the stored body, left to right.
// With roles it also tells what each stretch of the text is, and takes
// a number too large for its type as a number rather than refusing it.
class Cruncher {
public:
    explicit Cruncher(std::string_view text, RoleBuilder* roles = nullptr, std::size_t offset = 0)
        : in_(text), roles_(roles), offset_(offset)
    {
        out_.reserve(text.size() + 16);
    }

    std::string run()
    {
        while (!atEnd() && !comment_) {
            const std::uint8_t c = at(pos_);
            if (c == '"') {
                copyString();
            } else if (data_) {
                dataByte(c);
            } else if (c == Blank) {
                put(c);
                ++pos_;
            } else if (c < Blank) {
                control(c);
            } else if (c >= 0x80) {
                ++pos_; // MSX characters only live in strings, comments and DATA
            } else if (isLetter(c)) {
                letter();
            } else if (isDigit(c)) {
                if (lineNumbers_)
                    lineNumber();
                else if (afterName_)
                    nameDigit();
                else
                    number();
            } else {
                sign(c);
            }
        }
        if (comment_)
            mark(pos_, in_.size(), Role::Comment);
        while (comment_ && !atEnd())
            keep(at(pos_++));
        return std::move(out_);
    }

private:
    void mark(std::size_t start, std::size_t end, Role role)
    {
        if (roles_)
            roles_->mark(offset_ + start, offset_ + end, role);
    }

    // With roles the number is taken as it stands; without, the line is refused.
    void overflow(std::string_view text)
    {
        if (!roles_)
            throw QuilletError(ErrorKind::BadListing, "Overflow: the number " + std::string(text) + " does not fit");
        overflowed_ = true;
    }

    bool atEnd() const { return pos_ >= in_.size(); }
    std::uint8_t at(std::size_t i) const { return i < in_.size() ? static_cast<std::uint8_t>(in_[i]) : 0; }
    void put(std::uint8_t b) { out_ += static_cast<char>(b); }
    void put16(unsigned value)
    {
        put(static_cast<std::uint8_t>(value & 0xFF));
        put(static_cast<std::uint8_t>(value >> 8));
    }

    // The first position at or after `i` that holds no blank: numbers are
    // read across blanks, which are dropped inside them.
    std::size_t skipBlanks(std::size_t i) const
    {
        while (i < in_.size() && in_[i] == ' ')
            ++i;
        return i;
    }

    // A byte of a string, a comment or DATA, stored as it is, as MSX BASIC
    // stores it: codes 0x0B to 0x1F too, which the program then lists as
    // number constants (and whose operands may carry the line's end away).
    void keep(std::uint8_t c) { put(c); }

    void copyString()
    {
        const std::size_t start = pos_;
        put(at(pos_++));
        while (!atEnd()) {
            const std::uint8_t c = at(pos_++);
            keep(c);
            if (c == '"')
                break;
        }
        mark(start, pos_, data_ ? Role::Data : Role::String);
        afterName_ = false;
    }

    // Inside DATA every byte is kept; the check for a colon or REM is made
    // on the stored byte, so an MSX character 0x8F starts a comment too.
    void dataByte(std::uint8_t c)
    {
        keep(c);
        ++pos_;
        if (c == token::Colon) {
            data_ = false;
            lineNumbers_ = false;
            mark(pos_ - 1, pos_, Role::Operator);
            return;
        }
        if (c == token::Rem)
            comment_ = true;
        mark(pos_ - 1, pos_, Role::Data);
    }

    void control(std::uint8_t c)
    {
        if (c == token::GraphicPrefix) {
            pos_ += 2; // a graphic character outside a string has no meaning
            return;
        }
        put(c == Tab || c == LineFeed ? c : Blank);
        ++pos_;
    }

    // A statement code for the text from `start` to here.
    void statement(std::uint8_t code, std::size_t start)
    {
        mark(start, pos_, roleOfStatement(code));
        afterName_ = false;
        if (code == token::Else)
            put(token::Colon);
        put(code);
        if (takesLineNumbers(code))
            lineNumbers_ = true;
        else if (code < token::FirstOperator)
            lineNumbers_ = false;
        if (code == token::Rem)
            comment_ = true;
        else if (code == token::Data)
            data_ = true;
        else if (code == token::Call)
            callName();
    }

    bool matches(std::string_view text) const
    {
        if (in_.size() - pos_ < text.size())
            return false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (upper(at(pos_ + i)) != static_cast<std::uint8_t>(text[i]))
                return false;
        }
        return true;
    }

    void letter()
    {
        const std::uint8_t c = upper(at(pos_));
        const std::size_t start = pos_;
        for (const KeywordEntry& keyword : keywordsStartingWith(static_cast<char>(c))) {
            if (!matches(keyword.text))
                continue;
            pos_ += keyword.text.size();
            if (keyword.isFunction) {
                put(token::FunctionPrefix);
                put(keyword.code);
                lineNumbers_ = false;
                afterName_ = false;
                mark(start, pos_, Role::Keyword);
            } else {
                statement(keyword.code, start);
            }
            return;
        }
        // A name: the digits right after its letter belong to it, and
        // digits after it and blanks stay characters too.
        const bool binary = c == 'B' && !out_.empty() && out_.back() == '&' && start > 0 && in_[start - 1] == '&';
        put(c);
        ++pos_;
        lineNumbers_ = false;
        afterName_ = true;
        while (!atEnd() && isDigit(at(pos_)))
            put(at(pos_++));
        if (binary && roles_) {
            // &B and its digits: a number MSX BASIC reads when it runs.
            roles_->cut(offset_ + start - 1);
            mark(start - 1, pos_, Role::Number);
        } else {
            mark(start, pos_, Role::Variable);
        }
    }

    // A digit after a name and blanks: kept as a character.
    void nameDigit()
    {
        put(at(pos_));
        ++pos_;
        mark(pos_ - 1, pos_, Role::Number);
    }

    // After CALL or _: the name up to a colon or a parenthesis, in upper
    // case, without MSX characters and without signs below '0'.
    void callName()
    {
        while (!atEnd()) {
            const std::uint8_t c = at(pos_);
            if (c == token::Colon || c == '(')
                return;
            if (c == token::GraphicPrefix) {
                pos_ += 2;
                continue;
            }
            ++pos_;
            if (c >= 0x80 || (c < '0' && c != Blank))
                continue;
            put(upper(c));
            if (c != Blank)
                mark(pos_ - 1, pos_, Role::Keyword);
        }
    }

    void sign(std::uint8_t c)
    {
        const bool typeMark = afterName_ && roles_ && roles_->endingAt(offset_ + pos_) == Role::Variable;
        afterName_ = false;
        if (c == '.' && !lineNumbers_ && isDigit(at(skipBlanks(pos_ + 1)))) {
            number();
            return;
        }
        const std::size_t start = pos_;
        ++pos_;
        if (c == '?') {
            statement(token::Print, start);
        } else if (c == '\'') {
            put(token::Colon);
            put(token::Rem);
            put(token::Apostrophe);
            comment_ = true;
            mark(start, pos_, Role::Comment);
        } else if (c == '_') {
            put(c);
            mark(start, pos_, Role::Keyword);
            callName();
        } else if (c == '&') {
            ampersand();
        } else if (const auto code = operatorToken(static_cast<char>(c))) {
            statement(*code, start);
        } else {
            put(c);
            if (c == token::Colon)
                lineNumbers_ = false;
            const bool isTypeMark = c == '$' || c == '%' || c == '!' || c == '#';
            mark(start, pos_, isTypeMark && typeMark ? Role::Variable : Role::Operator);
        }
    }

    // After '&': &H and &O constants, blanks allowed before the letter and
    // between the digits; anything else leaves the '&' as it is.
    void ampersand()
    {
        const std::size_t start = pos_ - 1;
        const std::size_t letterAt = skipBlanks(pos_);
        const std::uint8_t letter = upper(at(letterAt));
        if (letter != 'H' && letter != 'O') {
            put('&');
            mark(start, pos_, Role::Operator);
            return;
        }
        const unsigned radix = letter == 'H' ? 16 : 8;
        pos_ = letterAt + 1;
        unsigned value = 0;
        for (;;) {
            const std::size_t i = skipBlanks(pos_);
            const std::uint8_t c = upper(at(i));
            unsigned digit;
            if (isDigit(c))
                digit = c - '0';
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                break;
            if (digit >= radix)
                break;
            value = value * radix + digit;
            if (value > 0xFFFF) {
                overflow(in_.substr(start, i + 1 - start));
                value &= 0xFFFF;
            }
            pos_ = i + 1;
        }
        mark(start, pos_, Role::Number);
        put(radix == 16 ? token::HexConstant : token::OctalConstant);
        put16(value);
    }

    // A line number: digits up to 65529, the next digit left for the next one.
    void lineNumber()
    {
        const std::size_t start = pos_;
        unsigned value = 0;
        std::size_t i = pos_;
        while (isDigit(at(i))) {
            const unsigned next = value * 10 + (at(i) - '0');
            if (next > HighestLineNumber)
                break;
            value = next;
            pos_ = i + 1;
            i = skipBlanks(pos_);
        }
        mark(start, pos_, Role::LineReference);
        put(token::LineNumber);
        put16(value);
    }

    enum class Precision { Integer, Single, Double };

    // A number constant, read and stored as the interpreter keeps it.
    void number()
    {
        std::array<std::uint8_t, KeptDigits + 1> digits{};
        int kept = 0;
        int significant = 0;
        int afterPoint = 0;
        bool point = false;
        unsigned integerPart = 0; // stops growing once past 32767
        std::size_t end = pos_;   // just past the number's last character
        std::size_t i = pos_;
        for (;;) {
            const std::uint8_t c = at(i);
            if (isDigit(c)) {
                const auto digit = static_cast<std::uint8_t>(c - '0');
                if (point)
                    ++afterPoint;
                else if (integerPart <= LargestInteger)
                    integerPart = integerPart * 10 + digit;
                if (digit != 0 || significant > 0) {
                    if (kept < KeptDigits)
                        digits[static_cast<std::size_t>(kept++)] = digit;
                    ++significant;
                }
            } else if (c == '.' && !point) {
                point = true;
            } else {
                break;
            }
            end = i + 1;
            i = skipBlanks(end);
        }

        Precision precision = point || integerPart > LargestInteger ? Precision::Single : Precision::Integer;
        if (significant > SingleDigits)
            precision = Precision::Double;
        bool roundToSingle = false;
        bool truncateToInteger = false;
        int written = 0;
        const std::uint8_t next = upper(at(i));
        const bool exponentLetter = next == 'D' || (next == 'E' && !startsOperatorWord(i + 1));
        if (exponentLetter) {
            if (next == 'D')
                precision = Precision::Double;
            else if (precision != Precision::Double)
                precision = Precision::Single;
            end = i + 1;
            std::size_t j = skipBlanks(end);
            bool negative = false;
            if (at(j) == '-' || at(j) == '+') {
                negative = at(j) == '-';
                end = j + 1;
                j = skipBlanks(end);
            }
            while (isDigit(at(j))) {
                written = written * 10 + (at(j) - '0');
                if (written >= ExponentLimit) {
                    overflow(in_.substr(pos_, j + 1 - pos_));
                    written = ExponentLimit;
                }
                end = j + 1;
                j = skipBlanks(end);
            }
            if (negative)
                written = -written;
        } else if (next == '!') {
            precision = Precision::Single;
            roundToSingle = true;
            end = i + 1;
        } else if (next == '#') {
            precision = Precision::Double;
            end = i + 1;
        } else if (next == '%') {
            precision = Precision::Integer;
            truncateToInteger = true;
            end = i + 1;
        }
        const std::string_view text = in_.substr(pos_, end - pos_);
        mark(pos_, end, Role::Number);
        pos_ = end;
        if (overflowed_)
            return;

        if (precision == Precision::Integer) {
            if (truncateToInteger && integerPart > LargestInteger) {
                overflow(text);
                return;
            }
            putInteger(integerPart);
            return;
        }
        int exponent = ExponentBias + significant - afterPoint + written;
        const int length = precision == Precision::Single ? SingleDigits : DoubleDigits;
        if (roundToSingle) {
            // Rounded before the exponent is worked out: a carry out of the
            // top digit is lost (0.9999999! becomes .1).
            if (roundDigits(digits, SingleDigits)) {
                digits.fill(0);
                digits[0] = 1;
            }
        } else if (precision == Precision::Double && roundDigits(digits, DoubleDigits)) {
            digits.fill(0);
            digits[0] = 1;
            ++exponent;
        }
        if (significant == 0 || exponent < 1) {
            exponent = 0; // zero, or too small to show: zero as well
            digits.fill(0);
        } else if (exponent > LargestExponentByte) {
            overflow(text);
            return;
        }
        put(precision == Precision::Single ? token::SingleConstant : token::DoubleConstant);
        put(static_cast<std::uint8_t>(exponent));
        for (int d = 0; d < length; d += 2)
            put(static_cast<std::uint8_t>(digits[static_cast<std::size_t>(d)] << 4
                                          | digits[static_cast<std::size_t>(d + 1)]));
    }

    // E before L or Q is the start of ELSE or EQV, not an exponent.
    bool startsOperatorWord(std::size_t i) const
    {
        const std::uint8_t c = upper(at(skipBlanks(i)));
        return c == 'L' || c == 'Q';
    }

    // Rounds on the digit at `length`, half up; true when the carry runs
    // out of the top digit (the digits are then all zero).
    static bool roundDigits(std::array<std::uint8_t, KeptDigits + 1>& digits, int length)
    {
        const auto cut = static_cast<std::size_t>(length);
        const bool up = digits[cut] >= 5;
        std::fill(digits.begin() + length, digits.end(), 0);
        if (!up)
            return false;
        for (std::size_t d = cut; d-- > 0;) {
            if (++digits[d] < 10)
                return false;
            digits[d] = 0;
        }
        return true;
    }

    void putInteger(unsigned value)
    {
        if (value <= 9) {
            put(static_cast<std::uint8_t>(token::FirstDigit + value));
        } else if (value <= 0xFF) {
            put(token::ByteConstant);
            put(static_cast<std::uint8_t>(value));
        } else {
            put(token::IntegerConstant);
            put16(value);
        }
    }

    std::string_view in_;
    RoleBuilder* roles_;
    std::size_t offset_; // of `in_` in the line, for the roles
    std::size_t pos_ = 0;
    std::string out_;
    bool data_ = false;
    bool comment_ = false;
    bool lineNumbers_ = false;
    // After a name, up to anything but blanks and digits: MSX BASIC keeps
    // the digits there as characters (SET PAGE 1,1 stores the first 1 as
    // the character).
    bool afterName_ = false;
    bool overflowed_ = false;
};

bool onlyBlanks(std::string_view text)
{
    return text.find_first_not_of(' ') == std::string_view::npos;
}

} // namespace

std::string tokenizeBody(std::string_view text)
{
    return Cruncher(text).run();
}

void rolesOfTextLine(std::string_view line, LineRoles& roles)
{
    roles.clear();
    RoleBuilder spans(roles);
    std::size_t body = 0;
    std::size_t i = line.find_first_not_of(' ');
    if (i != std::string_view::npos && isDigit(static_cast<std::uint8_t>(line[i]))) {
        // The number as tokenizeLine() reads it, blanks between its digits.
        const std::size_t start = i;
        bool zero = true;
        std::size_t end = i;
        while (i < line.size() && isDigit(static_cast<std::uint8_t>(line[i]))) {
            zero = zero && line[i] == '0';
            end = i + 1;
            i = line.find_first_not_of(' ', end);
        }
        spans.mark(start, end, Role::LineNumber);
        body = !zero && end < line.size() && line[end] == ' ' ? end + 1 : end;
    }
    Cruncher(line.substr(body), &spans, body).run();
}

LineRoles rolesOfTextLine(std::string_view line)
{
    LineRoles roles;
    rolesOfTextLine(line, roles);
    return roles;
}

namespace {

QuilletError lineTooLong(std::size_t length)
{
    return QuilletError(ErrorKind::BadListing, "a line of " + std::to_string(length) + " characters, more than the "
                                                   + std::to_string(LongestTextLine) + " MSX BASIC reads");
}

} // namespace

TokenizedLine tokenizeLine(std::string_view text)
{
    if (text.size() > LongestTextLine)
        throw lineTooLong(text.size());
    if (text.find('\0') != std::string_view::npos)
        throw QuilletError(ErrorKind::BadListing, "a 0x00 byte in the line");

    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string_view::npos || !isDigit(static_cast<std::uint8_t>(text[i])))
        throw QuilletError(ErrorKind::BadListing, "a line without a line number");
    // Blanks between the digits are skipped; the number ends after the last digit.
    std::string digits;
    std::size_t end = i;
    while (i < text.size() && isDigit(static_cast<std::uint8_t>(text[i]))) {
        digits += text[i];
        end = i + 1;
        i = text.find_first_not_of(' ', end);
    }
    const std::string shown = digits.size() > 12 ? digits.substr(0, 12) + "..." : digits;
    const auto first = digits.find_first_not_of('0');
    const std::string_view significant =
        first == std::string::npos ? std::string_view("0") : std::string_view(digits).substr(first);
    unsigned number = 0;
    for (char digit : significant) {
        number = number * 10 + static_cast<unsigned>(digit - '0');
        if (number > HighestLineNumber)
            throw QuilletError(ErrorKind::BadListing, "line number " + shown + " is above 65529");
    }

    // One blank after the number is dropped, except after line 0.
    if (number != 0 && end < text.size() && text[end] == ' ')
        ++end;
    const std::string_view rest = text.substr(end);
    TokenizedLine line{static_cast<std::uint16_t>(number), {}};
    if (onlyBlanks(rest))
        return line;
    try {
        line.body = tokenizeBody(rest);
    } catch (const QuilletError& error) {
        throw QuilletError(error.kind(), number, error.detail());
    }
    return line;
}

namespace {

// The program as MSX BASIC builds it while it reads a listing: each line
// goes in as it comes (a later one of a number replaces it, one without a
// body deletes it), and a line that takes the program past the address
// FFFFH is refused then, as MSX BASIC runs out of memory at that line.
// So only the lines kept are held, never the listing.
class ProgramBuilder {
public:
    explicit ProgramBuilder(const TokenizeOptions& options) : options_(options) {}

    void add(std::string_view text, std::size_t textLine)
    {
        if (onlyBlanks(text))
            return; // an empty line is no statement at all
        try {
            TokenizedLine line = tokenizeLine(text);
            const auto found = lines_.find(line.number);
            if (found != lines_.end()) {
                bytes_ -= LineOverhead + found->second.size();
                lines_.erase(found);
            }
            if (line.body.empty())
                return;
            bytes_ += LineOverhead + line.body.size();
            // The next line's link, or the end mark, must still have an address.
            if (options_.programStart + bytes_ + 1 > 0xFFFF)
                throw QuilletError(ErrorKind::BadListing, line.number, "the program goes past the address FFFFH");
            lines_.emplace(line.number, std::move(line.body));
        } catch (const QuilletError& error) {
            const std::string where = "text line " + std::to_string(textLine);
            if (const auto number = error.lineNumber())
                throw QuilletError(error.kind(), *number, error.detail() + " (" + where + ")");
            throw QuilletError(error.kind(), where + ": " + error.detail());
        }
    }

    std::string finish() const
    {
        std::string program;
        program.reserve(bytes_ + 3);
        program += static_cast<char>(0xFF);
        unsigned address = options_.programStart;
        for (const auto& [number, body] : lines_) {
            const unsigned next = address + static_cast<unsigned>(LineOverhead + body.size());
            program += static_cast<char>(next & 0xFF);
            program += static_cast<char>(next >> 8);
            program += static_cast<char>(number & 0xFF);
            program += static_cast<char>(number >> 8);
            program += body;
            program += '\0';
            address = next;
        }
        program.append(2, '\0');
        return program;
    }

private:
    // The link, the number and the closing 0x00 of a line.
    static constexpr std::size_t LineOverhead = 5;
    TokenizeOptions options_;
    std::map<std::uint16_t, std::string> lines_;
    std::size_t bytes_ = 0;
};

// Cuts text into lines ended by CR LF, CR or LF, as it comes in pieces; a
// 0x1A ends the text. A line is held only up to a bound past the longest
// MSX BASIC reads: a longer one is refused by its length alone.
class LineSplitter {
public:
    explicit LineSplitter(ProgramBuilder& program) : program_(program) {}

    // False once the text has ended.
    bool feed(std::string_view chunk)
    {
        for (const char c : chunk) {
            if (ended_)
                return false;
            if (afterCr_) {
                afterCr_ = false;
                if (c == '\n')
                    continue;
            }
            if (c == static_cast<char>(EndOfFile)) {
                ended_ = true;
                return false;
            }
            if (c == '\r' || c == '\n') {
                afterCr_ = c == '\r';
                endLine();
            } else {
                ++length_;
                if (line_.size() <= LongestTextLine)
                    line_ += c;
                started_ = true;
            }
        }
        return !ended_;
    }

    void finish()
    {
        if (started_)
            endLine();
    }

private:
    void endLine()
    {
        ++textLine_;
        if (length_ > line_.size()) {
            const QuilletError tooLong = lineTooLong(length_);
            throw QuilletError(tooLong.kind(), "text line " + std::to_string(textLine_) + ": " + tooLong.detail());
        }
        program_.add(line_, textLine_);
        line_.clear();
        length_ = 0;
        started_ = false;
    }

    ProgramBuilder& program_;
    std::string line_;
    std::size_t length_ = 0;
    std::size_t textLine_ = 0;
    bool started_ = false;
    bool afterCr_ = false;
    bool ended_ = false;
};

} // namespace

std::string tokenizeListing(std::string_view listing, const TokenizeOptions& options)
{
    ProgramBuilder program(options);
    LineSplitter lines(program);
    lines.feed(listing);
    lines.finish();
    return program.finish();
}

void tokenizeListing(ByteSource& listing, ByteSink& program, const TokenizeOptions& options)
{
    tokenizeListing({}, listing, program, options);
}

void tokenizeListing(std::string_view start, ByteSource& listing, ByteSink& program, const TokenizeOptions& options)
{
    ProgramBuilder built(options);
    LineSplitter lines(built);
    bool more = lines.feed(start);
    for (auto chunk = more ? listing.nextChunk() : std::span<const std::uint8_t>(); !chunk.empty();
         chunk = listing.nextChunk()) {
        if (!lines.feed(std::string_view(reinterpret_cast<const char*>(chunk.data()), chunk.size())))
            break;
    }
    if (listing.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    lines.finish();
    program.write(built.finish());
}

} // namespace quillet
