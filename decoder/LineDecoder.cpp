// SPDX-License-Identifier: MIT
#include "decoder/LineDecoder.h"

#include "common/HexDigits.h"

#include "decoder/DecimalText.h"
#include "decoder/RealNumber.h"
#include "decoder/RoleBuilder.h"
#include "decoder/TokenTables.h"

#include <array>
#include <cstring>
#include <span>
#include <type_traits>

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

// The most bytes one item takes: a double constant's code and its 8 bytes,
// after the function prefix, which a constant code keeps as a constant.
constexpr std::ptrdiff_t LongestItem = 10;
// Past the longest body, the item that crosses it writes at most a real
// constant's room (keywords are copied as 8 whole bytes).
static_assert(LineBodyRoom >= MaxListedBody + RealConstantRoom);

// A keyword's text padded to 8 bytes, copied whole and then counted by its
// length: one move instead of a loop over its letters.
struct TokenText {
    char text[8];
    std::uint8_t length;
};

TokenText tokenText(std::string_view text)
{
    TokenText entry{};
    std::memcpy(entry.text, text.data(), text.size());
    entry.length = static_cast<std::uint8_t>(text.size());
    return entry;
}

// Indexed by the byte itself: a statement's keyword, or the byte alone
// where there is none (0x80, 0xFD, 0xFE).
const std::array<TokenText, 256> StatementTexts = [] {
    std::array<TokenText, 256> table{};
    for (unsigned b = 0x80; b < 0x100; ++b) {
        const char self = static_cast<char>(b);
        table[b] = tokenText(statementToken(static_cast<std::uint8_t>(b)).value_or(std::string_view(&self, 1)));
    }
    return table;
}();

// Indexed by the byte after the function prefix; length 0 where no
// function has that code.
const std::array<TokenText, 256> FunctionTexts = [] {
    std::array<TokenText, 256> table{};
    for (unsigned b = 0; b < 0x100; ++b)
        if (const auto name = functionToken(static_cast<std::uint8_t>(b)))
            table[b] = tokenText(*name);
    return table;
}();

// A line's mode as bits: in a string, in DATA, in a comment; 0 is none.
enum Mode : std::uint8_t { InString = 1, InData = 2, InComment = 4 };

// The bytes listed as they are that change no mode, in each mode: a run
// of them is copied in one loop. 01 to 0A are listed as they are
// everywhere; in a comment only the apostrophe is not literal (a quote
// there changes nothing that shows), in a string only the quote that ends
// it, in DATA also the colon that ends it, and outside those, where 80 and
// up are keywords, the quote that starts a string.
constexpr std::array<std::array<bool, 256>, 8> Literal = [] {
    std::array<std::array<bool, 256>, 8> literal{};
    for (unsigned mode = 0; mode < literal.size(); ++mode) {
        for (unsigned b = 0x01; b < 0x100; ++b) {
            if (b > token::LastPlainControl && b < 0x20)
                continue; // constants
            if (mode & InComment)
                literal[mode][b] = b != token::Apostrophe;
            else if (mode & InString)
                literal[mode][b] = b != token::Quote;
            else if (mode & InData)
                literal[mode][b] = b != token::Quote && b != token::Colon;
            else
                literal[mode][b] = b != token::Quote && b < 0x80;
        }
    }
    return literal;
}();

// No leading zeros; 0 is "0". Written from its last digit back.
char* putPowerOfTwoDigits(char* to, unsigned value, unsigned bitsPerDigit)
{
    unsigned count = 1;
    while (value >> (count * bitsPerDigit) != 0)
        ++count;
    const unsigned mask = (1u << bitsPerDigit) - 1;
    for (char* at = to + count; at != to; value >>= bitsPerDigit)
        *--at = upperHexDigit(value & mask);
    return to + count;
}

// The role of everything a mode holds, constants included: text there is
// what it is, whatever its bytes would be outside.
Role roleOfMode(unsigned mode)
{
    return mode & InComment ? Role::Comment : mode & InData ? Role::Data : Role::String;
}

// roleOfStatement() by the byte, looked up with no call.
const std::array<Role, 256> StatementRoles = [] {
    std::array<Role, 256> roles{};
    for (unsigned b = 0; b < 0x100; ++b)
        roles[b] = roleOfStatement(static_cast<std::uint8_t>(b));
    return roles;
}();

// What a byte listed as it is outside the modes can be, for its role.
enum class PlainClass : std::uint8_t { Other, Blank, Letter, Digit, TypeMark, Underscore, EndsCallName };

constexpr std::array<PlainClass, 256> PlainClasses = [] {
    std::array<PlainClass, 256> classes{};
    for (unsigned b = 0; b <= 0x20; ++b)
        classes[b] = PlainClass::Blank; // blanks and control bytes
    classes[0x7F] = PlainClass::Blank;
    for (unsigned b = 'A'; b <= 'Z'; ++b)
        classes[b] = classes[b + 0x20] = PlainClass::Letter;
    for (unsigned b = '0'; b <= '9'; ++b)
        classes[b] = PlainClass::Digit;
    for (const char c : {'$', '%', '!', '#'})
        classes[static_cast<std::uint8_t>(c)] = PlainClass::TypeMark;
    classes['_'] = PlainClass::Underscore;
    classes[':'] = classes['('] = PlainClass::EndsCallName;
    return classes;
}();

// The roles of a line as the decoder lists it. Bytes outside the modes
// listed as they are get theirs from the text around them: a name's
// letters, the digits joined to them and its type mark; "&B" and its
// digits; an extension's name after CALL or _ up to a colon or a
// parenthesis.
class RoleTracker {
public:
    RoleTracker(LineRoles& spans, std::size_t base) : spans_(spans, base) {}

    [[gnu::always_inline]] void mark(std::size_t start, std::size_t end, Role role)
    {
        callName_ = false;
        spans_.mark(start, end, role);
    }
    [[gnu::always_inline]] void keyword(std::size_t start, std::size_t end, std::uint8_t code)
    {
        mark(start, end, StatementRoles[code]);
        callName_ = code == token::Call;
    }
    void cut(std::size_t length) { spans_.cut(length); }

    // Bytes [start, end) of `body`, listed as they are in `mode`. Outside
    // the modes, a run of bytes of one role is marked at once.
    [[gnu::always_inline]] void literals(const char* body, std::size_t start, std::size_t end, unsigned mode)
    {
        if (mode != 0)
            mark(start, end, roleOfMode(mode));
        else
            plainRun(body, start, end);
    }

    // A byte outside the modes.
    void plain(const char* body, std::size_t at) { plainRun(body, at, at + 1); }

private:
    // Bytes [start, end) outside the modes.
    [[gnu::always_inline]] void plainRun(const char* body, std::size_t start, std::size_t end)
    {
        Role previous = spans_.endingAt(start);
        std::size_t runStart = start;
        Role run = Role::Text;
        for (std::size_t at = start; at < end; ++at) {
            const char c = body[at];
            Role role = plainRole(body, at, previous);
            if (c == 'B' && role == Role::Variable && at > 0 && body[at - 1] == '&' && previous == Role::Operator) {
                // "&B" and its digits: a number, the '&' with it.
                if (runStart < at - 1)
                    spans_.mark(runStart, at - 1, run);
                else if (runStart == at)
                    spans_.cut(at - 1); // the '&' was marked before this run
                runStart = at - 1;
                run = role = Role::Number;
            } else if (role != run) {
                spans_.mark(runStart, at, run);
                runStart = at;
                run = role;
            }
            previous = role;
        }
        spans_.mark(runStart, end, run);
    }

    // The role of the byte at `at` outside the modes, after one of
    // `previous`: a name's letters, the digits joined to them and its one
    // type mark; digits elsewhere; an extension's name after CALL or _ up
    // to a colon or a parenthesis. Blanks and control bytes are Text.
    Role plainRole(const char* body, std::size_t at, Role previous)
    {
        const PlainClass kind = PlainClasses[static_cast<std::uint8_t>(body[at])];
        if (kind == PlainClass::Blank)
            return Role::Text;
        if (callName_) [[unlikely]] {
            if (kind != PlainClass::EndsCallName)
                return Role::Keyword;
            callName_ = false;
        }
        switch (kind) {
        case PlainClass::Letter: return Role::Variable;
        case PlainClass::Digit: return previous == Role::Variable ? Role::Variable : Role::Number;
        case PlainClass::TypeMark:
            // A span of a name ends here, so a byte lies before this one.
            return previous == Role::Variable && PlainClasses[static_cast<std::uint8_t>(body[at - 1])] != kind
                       ? Role::Variable
                       : Role::Operator;
        case PlainClass::Underscore: callName_ = true; return Role::Keyword;
        default: return Role::Operator;
        }
    }

    RoleBuilder spans_;
    bool callName_ = false;
};

// The decoder without roles: every call on it is gone from the code.
struct NoRoles {};

// Takes bytes from the source one by one, each checked for the end.
struct SourceReader {
    ByteSource& source;
    bool next(std::uint8_t& byte) { return source.next(byte); }
};

// Takes bytes straight from the source's buffer, unchecked: only used where
// at least a whole item is left in it.
struct BufferReader {
    const std::uint8_t* at;
    bool next(std::uint8_t& byte)
    {
        byte = *at++;
        return true;
    }
};

// Its parts are inlined whole into decodeLineAt(), where the decoder is a
// local that nothing else sees: its position and modes then stay in
// registers, where the body's byte stores, which may alias anything, would
// otherwise have them reloaded from memory after each. `Roles` is
// RoleTracker or NoRoles; with NoRoles the decoder is the same code as
// before roles were told.
template <typename Roles> class LineDecoder {
public:
    static constexpr bool Tracking = !std::is_same_v<Roles, NoRoles>;

    // Writes the body at `to`, which has LineBodyRoom bytes.
    LineDecoder(ByteSource& input, ProgramMemory* memory, char* to, Roles& roles)
        : in_(input), memory_(memory), body_(to), out_(to), roles_(roles)
    {}

    // Decodes into body(); true when the line's end was read, false when
    // the input ran out.
    [[gnu::always_inline]] bool run()
    {
        for (;;) {
            const std::span<const std::uint8_t> buffered = in_.buffered();
            if (static_cast<std::ptrdiff_t>(buffered.size()) >= LongestItem) {
                // While a whole item is buffered, its bytes are read in
                // place without a check each.
                const std::uint8_t* const last = buffered.data() + buffered.size() - LongestItem;
                BufferReader reader{buffered.data()};
                Step step = Step::Next;
                while (reader.at <= last && step == Step::Next) {
                    step = copyLiterals(reader.at, last);
                    if (step == Step::Next && reader.at <= last)
                        step = item(reader);
                }
                in_.skip(static_cast<std::size_t>(reader.at - buffered.data()));
                if (step == Step::Ended)
                    return true;
                if (step == Step::Full)
                    return cut();
                continue;
            }
            SourceReader reader{in_};
            switch (item(reader)) {
            case Step::Next: break;
            case Step::Ended: return true;
            case Step::RanOut: return false;
            case Step::Full: return cut();
            }
        }
    }

    std::string_view body() const { return {body_, static_cast<std::size_t>(out_ - body_)}; }

private:
    enum class Step { Next, Ended, RanOut, Full };

    std::size_t length() const { return static_cast<std::size_t>(out_ - body_); }

    template <std::size_t Size> void put(const char (&text)[Size])
    {
        std::memcpy(out_, text, Size - 1);
        out_ += Size - 1;
    }

    void put(const TokenText& entry)
    {
        std::memcpy(out_, entry.text, sizeof entry.text);
        out_ += entry.length;
    }

    // Copies bytes listed as they are up to the first that is not, or to
    // `last`, or until the body is as long as listed.
    [[gnu::always_inline]] Step copyLiterals(const std::uint8_t*& at, const std::uint8_t* last)
    {
        const std::array<bool, 256>& literal = Literal[mode_];
        const std::uint8_t* from = at;
        char* to = out_;
        // Up to `last`, and no further than the byte that makes the body
        // longer than listed.
        const auto room = static_cast<std::ptrdiff_t>(MaxListedBody) + 1 - (to - body_);
        const std::uint8_t* const stop = from + std::min(last + 1 - from, room);
        while (from < stop && literal[*from])
            *to++ = static_cast<char>(*from++);
        if constexpr (Tracking) {
            if (to != out_)
                roles_.literals(body_, length(), static_cast<std::size_t>(to - body_), mode_);
        }
        char* const full = body_ + MaxListedBody;
        at = from;
        out_ = to;
        return to > full ? Step::Full : Step::Next;
    }

    // One byte and whatever belongs to it.
    template <typename Reader> [[gnu::always_inline]] Step item(Reader& in)
    {
        std::uint8_t b;
        if (!in.next(b))
            return Step::RanOut;
        const std::size_t start = length();
        if (b >= 0x20 && b < 0x80) {
            *out_++ = static_cast<char>(b);
            if constexpr (Tracking)
                characterRole(b, start);
            if (b == token::Quote)
                mode_ ^= InString;
            else if (b == token::Colon && !(mode_ & InString))
                mode_ &= ~InData;
        } else if (b == token::LineEnd) {
            return Step::Ended;
        } else if (b < 0x20) {
            if (!control(in, b))
                return Step::RanOut;
            if constexpr (Tracking)
                constantRole(b, start);
        } else if (mode_ != 0) {
            textByte(b);
        } else if (b == token::FunctionPrefix) {
            if (!in.next(b))
                return Step::RanOut;
            if (b == token::LineEnd)
                return Step::Ended;
            if (b >= token::FirstConstant && b <= token::LastConstant) {
                // Not a function: a constant, which keeps its operand.
                if (!control(in, b))
                    return Step::RanOut;
                if constexpr (Tracking)
                    constantRole(b, start);
            } else {
                put(FunctionTexts[b]);
                if constexpr (Tracking)
                    roles_.mark(start, length(), Role::Keyword);
            }
        } else {
            keyword(b);
        }
        return length() > MaxListedBody ? Step::Full : Step::Next;
    }

    template <typename Reader> bool read16(Reader& in, unsigned& value)
    {
        std::uint8_t low, high;
        if (!in.next(low) || !in.next(high))
            return false;
        value = high * 256u + low;
        return true;
    }

    // 0x01 to 0x1F: the byte itself up to 0x0A, above it a constant, also
    // inside strings, comments and DATA. False when the input ran out.
    template <typename Reader> [[gnu::always_inline]] bool control(Reader& in, std::uint8_t b)
    {
        unsigned value;
        std::uint8_t byte;
        switch (b) {
        case token::OctalConstant:
        case token::HexConstant:
            if (!read16(in, value))
                return false;
            if (b == token::HexConstant)
                put("&H");
            else
                put("&O");
            out_ = putPowerOfTwoDigits(out_, value, b == token::HexConstant ? 4 : 3);
            return true;
        case token::LineAddress:
            if (!read16(in, value))
                return false;
            // The address is of the byte before the line: its number is 3 on.
            if (memory_) {
                if (const auto number = memory_->wordAt(value + 3)) {
                    out_ = putDecimal(out_, *number);
                    return true;
                }
            }
            out_ = putDecimal(out_, value);
            return true;
        case token::LineNumber:
            if (!read16(in, value))
                return false;
            out_ = putDecimal(out_, value);
            return true;
        case token::IntegerConstant:
            if (!read16(in, value))
                return false;
            out_ = putSignedDecimal(out_, static_cast<std::int16_t>(value));
            return true;
        case token::ByteConstant:
            if (!in.next(byte))
                return false;
            out_ = putDecimal(out_, byte);
            return true;
        case token::Ten: put("10"); return true;
        case token::SingleConstant:
        case token::DoubleConstant: {
            std::array<std::uint8_t, 8> bytes;
            const std::size_t count = b == token::SingleConstant ? 4 : 8;
            for (std::size_t i = 0; i < count; ++i)
                if (!in.next(bytes[i]))
                    return false;
            out_ = putRealConstant(out_, std::span(bytes.data(), count), b == token::DoubleConstant);
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
            *out_++ = static_cast<char>(b); // a graphic character's prefix, TAB, LF, ...
        else
            *out_++ = static_cast<char>('0' + (b - token::FirstDigit));
        return true;
    }

    // 0x80 to 0xFF inside a string, a comment or DATA.
    [[gnu::always_inline]] void textByte(std::uint8_t b)
    {
        // The tokenizer stores ' as colon, REM, apostrophe.
        static constexpr std::string_view ColonRem = ":REM";
        if (b == token::Apostrophe && (mode_ & InComment) && body().ends_with(ColonRem)) {
            out_ -= ColonRem.size();
            *out_++ = '\'';
            if constexpr (Tracking) {
                roles_.cut(length() - 1);
                roles_.mark(length() - 1, length(), Role::Comment);
            }
            return;
        }
        *out_++ = static_cast<char>(b);
        if constexpr (Tracking)
            roles_.mark(length() - 1, length(), roleOfMode(mode_));
    }

    [[gnu::always_inline]] void keyword(std::uint8_t b)
    {
        if (b == token::Else) {
            // Stored after a colon that the listing leaves out.
            if (out_ > body_) {
                --out_;
                if constexpr (Tracking)
                    roles_.cut(length());
            }
        } else if (b == token::Data) {
            mode_ |= InData;
        } else if (b == token::Rem) {
            mode_ |= InComment;
        }
        const std::size_t start = length();
        put(StatementTexts[b]);
        if constexpr (Tracking)
            roles_.keyword(start, length(), b);
    }

    // The role of a character 0x20 to 0x7F just listed at `at`, from the
    // modes as they were before it.
    [[gnu::always_inline]] void characterRole(std::uint8_t b, std::size_t at)
    {
        if (b == token::Quote)
            roles_.mark(at, at + 1, mode_ & InComment ? Role::Comment : mode_ & InData ? Role::Data : Role::String);
        else if ((mode_ & (InComment | InString)) || ((mode_ & InData) && b != token::Colon))
            roles_.mark(at, at + 1, roleOfMode(mode_));
        else
            roles_.plain(body_, at);
    }

    // The role of a code below 0x20 just listed from `at`.
    [[gnu::always_inline]] void constantRole(std::uint8_t b, std::size_t at)
    {
        Role role = Role::Number;
        if (mode_ != 0)
            role = roleOfMode(mode_);
        else if (b == token::LineNumber || b == token::LineAddress)
            role = Role::LineReference;
        else if (b <= token::LastPlainControl)
            role = Role::Text;
        roles_.mark(at, length(), role);
    }

    // The body is as long as listed: cut there, and read through the rest
    // of the line, which adds nothing.
    bool cut()
    {
        out_ = body_ + MaxListedBody;
        if constexpr (Tracking)
            roles_.cut(MaxListedBody);
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
    ProgramMemory* memory_;
    char* const body_;
    char* out_;
    unsigned mode_ = 0; // Mode bits
    Roles& roles_;
};

} // namespace

bool decodeLineAt(ByteSource& input, char* to, std::size_t& length, ProgramMemory* memory, LineRoles& roles,
                  std::size_t rolesBase)
{
    RoleTracker tracker(roles, rolesBase);
    LineDecoder<RoleTracker> decoder(input, memory, to, tracker);
    const bool ended = decoder.run();
    length = decoder.body().size();
    return ended;
}

bool decodeLineAt(ByteSource& input, char* to, std::size_t& length, ProgramMemory* memory, LineRoles* roles)
{
    if (roles) {
        roles->clear();
        return decodeLineAt(input, to, length, memory, *roles, 0);
    }
    NoRoles none;
    LineDecoder<NoRoles> decoder(input, memory, to, none);
    const bool ended = decoder.run();
    length = decoder.body().size();
    return ended;
}

bool decodeLine(ByteSource& input, LineBuffer& out, ProgramMemory* memory, LineRoles* roles)
{
    std::size_t length = 0;
    if (out.room() >= LineBodyRoom) {
        const bool ended = decodeLineAt(input, out.tail(), length, memory, roles);
        out.grow(length);
        return ended;
    }
    char body[LineBodyRoom];
    const bool ended = decodeLineAt(input, body, length, memory, roles);
    out.append(body, length);
    return ended;
}

bool decodeLine(ByteSource& input, std::string& out, ProgramMemory* memory, LineRoles* roles)
{
    LineBuffer line;
    const bool ended = decodeLine(input, line, memory, roles);
    out += line.view();
    return ended;
}

std::string decodeLine(ByteSource& input, ProgramMemory* memory, LineRoles* roles)
{
    std::string text;
    decodeLine(input, text, memory, roles);
    return text;
}

} // namespace quillet
