// SPDX-License-Identifier: MIT
// Listings made from the input through the tokenizer, and the listing of
// each program made through tokenize, list and tokenize again.
//
// The first byte picks the listing: below 0x20 the rest as it is;
// otherwise the bytes read as a small program of lines with numbers,
// keywords, constants of every form, strings, comments, DATA and names.
// Whatever it is, the tokenizer takes it or names a bad line, and a program
// it makes is well formed: 0xFF, lines in rising order at most 65529, each
// link the address of the next line from 8001H, the zero link last. It
// lists, and its listing tokenizes to a program whose listing tokenizes to
// the same program again: tokenize, list, tokenize is stable.
//
// Not every program can come back from its listing, and the listing of the
// first program (made from any text) need not give it back at all. From
// the second on, the check leaves out only what a listing cannot carry:
// - a line that lists too long to read back (? lists as PRINT);
// - a body that starts with a constant, whose digits the line number takes
//   in (line 20 holding 5.5 lists as 20 5.5, and reads back as line 205);
// - a constant run together with what is around it: after a letter, a
//   digit or a point (A1.5% is A, 1, 0 and lists as A10), or before what
//   the number reader would take on (1.5 then the name E12 lists 1.5E12);
// - a 0x8F in DATA, a comment for the tokenizer but DATA text for the
//   lister, which lists the MSX characters after a colon as keywords;
// - an MSX character the tokenizer dropped outside a string, comment or
//   DATA (the text of a string whose quote a changed line lost), so that
//   the bytes on both sides list as one word;
// - the blank that line 0 keeps on each trip, and a double in E form with
//   at most six digits, which reads back as a single.
// A listing whose text holds codes 0x0B to 0x1F (other than CR and the end
// mark 0x1A) is only tokenized: MSX BASIC keeps them in strings, comments
// and DATA, where the lister reads them as constants whose operands may
// carry a line's end away, so its program need not list back at all.
// Every line of every listing also gets its roles from the tokenizer,
// which never refuses one: spans in order, inside the line, never empty.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "decoder/ListingConverter.h"
#include "decoder/Roles.h"
#include "decoder/TokenTables.h"
#include "decoder/Tokenizer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace quillet;

[[noreturn]] void fail(const char* what, std::string_view detail = {})
{
    std::fprintf(stderr, "%s %.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// The listing made from the input.

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return size_ == 0; }
    std::uint8_t take()
    {
        if (size_ == 0)
            return 0;
        --size_;
        return *data_++;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

void appendDigits(std::string& out, Bytes& in, unsigned most)
{
    for (unsigned count = in.take() % (most + 1); count > 0; --count)
        out += static_cast<char>('0' + in.take() % 10);
}

// Text bytes for strings, comments and DATA: printable, MSX characters,
// graphic pairs, tabs; never a line end.
void appendText(std::string& out, Bytes& in, unsigned most)
{
    for (unsigned count = in.take() % (most + 1); count > 0; --count) {
        const std::uint8_t b = in.take();
        if (b == '\r' || b == '\n' || b == 0x1A || b == 0x00 || (b >= 0x0B && b < 0x20))
            out += '.';
        else if (b == 0x01)
            out += {'\x01', static_cast<char>(0x40 + in.take() % 0x20)};
        else
            out += static_cast<char>(b);
    }
}

std::string makeListing(Bytes& in)
{
    static const char* const Signs[] = {":", ",", ";", "(", ")", "+", "-", "*", "/", "^", "\\", "<",  ">",
                                        "=", "?", "_", "#", "$", "%", "!", "&", ".", " ", "  ", "\t", "'"};
    std::string listing;
    while (!in.empty()) {
        const unsigned number = (in.take() << 8 | in.take()) % 65600;
        listing += std::to_string(number);
        if (in.take() & 1)
            listing += ' ';
        for (unsigned pieces = in.take() % 12; pieces > 0; --pieces) {
            switch (in.take() % 16) {
            case 0: listing += statementToken(static_cast<std::uint8_t>(0x81 + in.take() % 0x7C)).value(); break;
            case 1: listing += functionToken(static_cast<std::uint8_t>(0x81 + in.take() % 0x30)).value(); break;
            case 2: appendDigits(listing, in, 8); break;
            case 3: {
                appendDigits(listing, in, 9);
                listing += '.';
                appendDigits(listing, in, 9);
                const std::uint8_t form = in.take();
                if (form & 1) {
                    listing += "EeDd"[form >> 1 & 3];
                    listing += "+-"[form >> 3 & 1];
                    appendDigits(listing, in, 2);
                } else {
                    listing += " !#%"[form >> 1 & 3];
                }
                break;
            }
            case 4:
                listing += in.take() & 1 ? "&H" : in.take() & 1 ? "&o" : "&B";
                for (unsigned count = in.take() % 6; count > 0; --count)
                    listing += "0123456789ABCDEFabcdef"[in.take() % 22];
                break;
            case 5:
                listing += '"';
                appendText(listing, in, 8);
                if (in.take() & 1)
                    listing += '"';
                break;
            case 6:
                listing += in.take() & 1 ? "REM" : "'";
                appendText(listing, in, 12);
                pieces = 1; // the rest of the line is the comment
                break;
            case 7:
                listing += "DATA";
                appendText(listing, in, 12);
                break;
            case 8:
                for (unsigned count = in.take() % 4 + 1; count > 0; --count)
                    listing += static_cast<char>("ABCDEFGHIJKLMNOPQRSTUVWXYZabcxyz"[in.take() % 32]);
                appendDigits(listing, in, 2);
                break;
            case 9: listing += Signs[in.take() % std::size(Signs)]; break;
            case 10: // any sign; MSX characters only in text
                listing += static_cast<char>(0x20 + in.take() % 0x60);
                break;
            case 11:
                listing += in.take() & 1 ? "GOTO" : "THEN ";
                appendDigits(listing, in, 6);
                break;
            case 12: {
                std::string keyword(statementToken(static_cast<std::uint8_t>(0x81 + in.take() % 0x7C)).value());
                for (char& c : keyword)
                    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
                listing += keyword;
                break;
            }
            case 13: listing += "ELSE"; break;
            case 14:
                listing += "CALL ";
                appendText(listing, in, 6);
                break;
            default: listing += "GO TO"; break;
            }
        }
        listing += in.take() & 1 ? "\r\n" : "\n";
    }
    return listing;
}

// Programs.

std::size_t operandLength(std::uint8_t code)
{
    switch (code) {
    case token::OctalConstant:
    case token::HexConstant:
    case token::LineAddress:
    case token::LineNumber:
    case token::IntegerConstant: return 2;
    case token::ByteConstant: return 1;
    case token::SingleConstant: return 4;
    case token::DoubleConstant: return 8;
    default: return 0;
    }
}

bool isNumberCode(std::uint8_t code)
{
    return code >= token::OctalConstant && code < 0x20;
}

// Decimal constants: what the number reader makes.
bool isDecimalConstant(std::uint8_t code)
{
    return code >= token::ByteConstant && code <= token::DoubleConstant;
}

struct Line {
    unsigned number;
    std::string body;
};

// The lines of a tokenized program, checking what every program must be.
std::vector<Line> linesOf(const std::string& program)
{
    if (program.empty() || static_cast<std::uint8_t>(program[0]) != 0xFF)
        fail("no 0xFF");
    std::vector<Line> lines;
    std::size_t at = 1;
    auto word = [&](std::size_t i) {
        if (i + 2 > program.size())
            fail("cut off");
        return static_cast<std::uint8_t>(program[i]) + 256u * static_cast<std::uint8_t>(program[i + 1]);
    };
    for (;;) {
        const unsigned link = word(at);
        if (link == 0)
            break;
        const unsigned number = word(at + 2);
        if (number > HighestLineNumber || (!lines.empty() && number <= lines.back().number))
            fail("line numbers out of order");
        std::size_t end = at + 4;
        while (end < program.size() && program[end] != '\0')
            end += 1 + operandLength(static_cast<std::uint8_t>(program[end]));
        if (end >= program.size())
            fail("a body without its end");
        if (link != 0x8001 + end)
            fail("a link that is not the next line's address");
        lines.push_back({number, program.substr(at + 4, end - at - 4)});
        at = end + 1;
    }
    if (at + 2 != program.size())
        fail("bytes after the end");
    return lines;
}

std::string listingOf(const std::string& program)
{
    MemorySource source(std::string_view(program).substr(1));
    StringSink listed;
    try {
        if (convertTokenizedBasic(source, listed, {}) != ProgramEnd::Complete)
            fail("the program lists as cut off");
    } catch (const QuilletError& error) {
        fail("the program does not list:", error.what());
    }
    return listed.str();
}

// The text of each line of a listing by its number, the lines found as the
// tokenizer finds them; a later line of a number wins.
std::map<unsigned, std::string_view> textLines(std::string_view listing)
{
    listing = listing.substr(0, listing.find('\x1A'));
    std::map<unsigned, std::string_view> lines;
    for (std::size_t start = 0; start < listing.size();) {
        std::size_t end = listing.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = listing.size();
        const std::string_view line = listing.substr(start, end - start);
        start = end + (listing.substr(end, 2) == "\r\n" ? 2 : 1);
        unsigned number = 0;
        std::size_t i = line.find_first_not_of(' ');
        if (i == std::string_view::npos || line[i] < '0' || line[i] > '9')
            continue;
        for (; i < line.size() && number <= HighestLineNumber; i = line.find_first_not_of(' ', i + 1)) {
            if (line[i] < '0' || line[i] > '9')
                break;
            number = number * 10 + static_cast<unsigned>(line[i] - '0');
        }
        if (number <= HighestLineNumber)
            lines[number] = line;
    }
    return lines;
}

// What a listing cannot carry.

bool hasOverlongLine(std::string_view listing)
{
    for (const auto& [number, line] : textLines(listing)) {
        if (line.size() > LongestTextLine)
            return true;
    }
    return false;
}

bool startsWithConstant(const std::vector<Line>& lines)
{
    for (const Line& line : lines) {
        const std::size_t start = line.body.find_first_not_of(' ');
        if (start != std::string::npos && isDecimalConstant(static_cast<std::uint8_t>(line.body[start])))
            return true;
    }
    return false;
}

// The first character an item lists as, blanks skipped; 0 at the end.
char listedStart(std::string_view body, std::size_t i)
{
    while (i < body.size() && body[i] == ' ')
        ++i;
    if (i >= body.size())
        return 0;
    const auto code = static_cast<std::uint8_t>(body[i]);
    if (isDecimalConstant(code))
        return '0';
    if (code == token::FunctionPrefix && i + 1 < body.size())
        return functionToken(static_cast<std::uint8_t>(body[i + 1])).value_or(" ")[0];
    if (code == token::Colon && i + 1 < body.size() && static_cast<std::uint8_t>(body[i + 1]) == token::Else)
        return 'L'; // ELSE: an E the number reader leaves alone
    if (code >= 0x80)
        return statementToken(code).value_or(" ")[0];
    return static_cast<char>(code);
}

// The length of a body before a constant that lists run together with
// what is around it.
std::size_t unambiguousLength(std::string_view body)
{
    // The last item that a constant right after it would join: a letter or
    // a digit, or a point with only blanks after it.
    std::size_t joinsAt = std::string_view::npos;
    for (std::size_t i = 0; i < body.size();) {
        const auto code = static_cast<std::uint8_t>(body[i]);
        const std::size_t next = i + 1 + operandLength(code);
        const char after = listedStart(body, next);
        if (isDecimalConstant(code)) {
            if (joinsAt != std::string_view::npos)
                return joinsAt;
            if (after != 0 && std::string_view("0123456789.EDed!#%").find(after) != std::string_view::npos)
                return i;
        } else if (code == token::HexConstant || code == token::OctalConstant) {
            const std::string_view digits = code == token::HexConstant ? "0123456789ABCDEFabcdef" : "01234567";
            if (after != 0 && digits.find(after) != std::string_view::npos)
                return i;
        }
        if (isDecimalConstant(code) || (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') || code == '.')
            joinsAt = i;
        else if (!(code == ' ' && joinsAt != std::string_view::npos && body[joinsAt] == '.'))
            joinsAt = std::string_view::npos;
        i = next;
    }
    return body.size();
}

// Walks a body with the tokenizer's modes: `kept` sees each byte of a
// string, comment or DATA, `data` each byte of DATA text.
template <typename Kept, typename Data> void walkModes(std::string_view body, Kept kept, Data data)
{
    bool inString = false, inData = false;
    for (std::size_t i = 0; i < body.size();) {
        const auto c = static_cast<std::uint8_t>(body[i]);
        if (isNumberCode(c)) {
            i += 1 + operandLength(c); // kept text holds no such code
            continue;
        }
        ++i;
        if (inString) {
            inString = c != '"';
            kept(c);
        } else if (c == '"') {
            inString = true;
        } else if (inData) {
            data(c);
            kept(c);
            if (c == token::Rem) {
                inData = false;
                for (; i < body.size(); ++i)
                    kept(static_cast<std::uint8_t>(body[i]));
            }
            inData = inData && c != ':';
        } else if (c == token::Rem) {
            // The apostrophe after a colon and REM is the comment's mark.
            if (i >= 2 && body[i - 2] == token::Colon && i < body.size()
                && static_cast<std::uint8_t>(body[i]) == token::Apostrophe)
                ++i;
            for (; i < body.size(); ++i)
                kept(static_cast<std::uint8_t>(body[i]));
        } else if (c == token::Data) {
            inData = true;
        } else if (c == token::FunctionPrefix) {
            ++i;
        }
    }
}

bool isMsxCharacter(std::uint8_t c)
{
    return c == token::GraphicPrefix || c >= 0x80;
}

// A 0x8F in DATA text starts a comment for the tokenizer, which checks the
// byte it stores, but not for the lister.
bool hasCommentInData(std::string_view body)
{
    bool found = false;
    walkModes(
        body, [](std::uint8_t) {}, [&](std::uint8_t c) { found = found || c == token::Rem; });
    return found;
}

// Whether the tokenizer kept every MSX character of a line's text.
bool keptEveryCharacter(std::string_view body, std::string_view text)
{
    std::size_t kept = 0;
    walkModes(
        body, [&](std::uint8_t c) { kept += isMsxCharacter(c); }, [](std::uint8_t) {});
    return kept == static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
               return isMsxCharacter(static_cast<std::uint8_t>(c));
           }));
}

bool isEFormDoubleReadAsSingle(std::string_view a, std::string_view b)
{
    if (a.size() != 9 || b.size() != 5 || a[0] != token::DoubleConstant || b[0] != token::SingleConstant)
        return false;
    const int exponent = (static_cast<std::uint8_t>(a[1]) & 0x7F) - 64;
    return (exponent < -1 || exponent > 14) && a.substr(5) == std::string(4, '\0') && a.substr(1, 4) == b.substr(1, 4);
}

// The trip.

// Why a program's listing may not tokenize at all; `text` is the listing
// the program was read from.
bool listingMayFail(const std::vector<Line>& lines, std::string_view text, std::string_view listing,
                    const QuilletError& error)
{
    if (error.kind() != ErrorKind::BadListing)
        return false;
    if (hasOverlongLine(listing) || startsWithConstant(lines))
        return true;
    const auto texts = textLines(text);
    for (const Line& line : lines) {
        const auto lineText = texts.find(line.number);
        if (lineText != texts.end() && !keptEveryCharacter(line.body, lineText->second))
            return true;
        if (error.lineNumber() == line.number
            && (unambiguousLength(line.body) < line.body.size() || hasCommentInData(line.body)))
            return true;
    }
    return false;
}

// The same items up to where a constant runs together with others, but
// for the doubles above.
bool sameBodies(std::string_view first, std::string_view second)
{
    const std::size_t length = unambiguousLength(first);
    const bool whole = length == first.size();
    first = first.substr(0, length);
    std::size_t i = 0, j = 0;
    while (i < first.size() && j < second.size()) {
        const std::size_t a = 1 + operandLength(static_cast<std::uint8_t>(first[i]));
        const std::size_t b = 1 + operandLength(static_cast<std::uint8_t>(second[j]));
        const std::string_view itemA = first.substr(i, a), itemB = second.substr(j, b);
        if (itemA != itemB && !isEFormDoubleReadAsSingle(itemA, itemB))
            return false;
        i += a;
        j += b;
    }
    return i == first.size() && (!whole || j == second.size());
}

// `first` is the program read from `listing`, `second` the program read
// from the listing of `first`.
void expectSamePrograms(const std::vector<Line>& first, std::string_view listing, const std::vector<Line>& second)
{
    if (second.size() != first.size())
        fail("another number of lines");
    const auto texts = textLines(listing);
    for (std::size_t l = 0; l < first.size(); ++l) {
        const Line& a = first[l];
        const Line& b = second[l];
        if (a.number != b.number)
            fail("another line number");
        const auto text = texts.find(a.number);
        if (text == texts.end())
            fail("a line that was not in the listing");
        if (!keptEveryCharacter(a.body, text->second) || hasCommentInData(a.body))
            continue;
        const std::string_view body =
            a.number == 0 && b.body.starts_with(' ') ? std::string_view(b.body).substr(1) : std::string_view(b.body);
        if (!sameBodies(a.body, body))
            fail("line changed on the trip:", std::to_string(a.number));
    }
}

void checkRoles(std::string_view listing)
{
    for (std::size_t start = 0; start <= listing.size();) {
        std::size_t end = listing.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = listing.size();
        const std::string_view line = listing.substr(start, end - start);
        std::size_t covered = 0;
        for (const RoleSpan& span : rolesOfTextLine(line)) {
            if (span.start < covered || span.length == 0 || span.start + span.length > line.size())
                fail("roles out of order or outside the line:", line);
            covered = span.start + span.length;
        }
        start = end + 1;
    }
}

bool holdsConstantCodes(std::string_view listing)
{
    return std::any_of(listing.begin(), listing.end(), [](char c) {
        const auto b = static_cast<std::uint8_t>(c);
        return b >= token::FirstConstant && b <= token::LastConstant && b != '\r' && b != 0x1A;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    Bytes in(data + 1, size - 1);
    const std::string listing =
        data[0] < 0x20 ? std::string(reinterpret_cast<const char*>(data + 1), size - 1) : makeListing(in);
    checkRoles(listing);
    if (holdsConstantCodes(listing.substr(0, listing.find('\x1A')))) {
        try {
            tokenizeListing(listing);
        } catch (const QuilletError& error) {
            if (error.kind() != ErrorKind::BadListing)
                fail("not a listing error:", error.what());
        }
        return 0;
    }

    std::string made;
    try {
        made = tokenizeListing(listing);
    } catch (const QuilletError& error) {
        if (error.kind() != ErrorKind::BadListing)
            fail("not a listing error:", error.what());
        return 0;
    }
    const std::vector<Line> madeLines = linesOf(made);
    const std::string listed = listingOf(made);

    // The first program from a listing, and the second from its listing.
    std::string first, second;
    try {
        first = tokenizeListing(listed);
    } catch (const QuilletError& error) {
        if (listingMayFail(madeLines, listing, listed, error))
            return 0;
        fail("the listing does not tokenize:", error.what());
    }
    const std::vector<Line> firstLines = linesOf(first);
    const std::string listedAgain = listingOf(first);
    try {
        second = tokenizeListing(listedAgain);
    } catch (const QuilletError& error) {
        if (listingMayFail(firstLines, listed, listedAgain, error))
            return 0;
        fail("the listing of a listing does not tokenize:", error.what());
    }
    const std::vector<Line> secondLines = linesOf(second);
    if (!startsWithConstant(madeLines) && !startsWithConstant(firstLines))
        expectSamePrograms(firstLines, listed, secondLines);
    return 0;
}
