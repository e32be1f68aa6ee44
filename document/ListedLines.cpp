// SPDX-License-Identifier: MIT
#include "document/ListedLines.h"

#include "common/Errors.h"
#include "decoder/Tokenizer.h"
#include "document/HexView.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quillet {

namespace {

constexpr char GraphicPrefix = 0x01;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The decimal value of the digits in `text`, blanks between them skipped.
unsigned digitsValue(std::string_view text)
{
    unsigned value = 0;
    for (const char c : text) {
        if (isDigit(c))
            value = std::min(value * 10 + static_cast<unsigned>(c - '0'), 0x10000u);
    }
    return value;
}

bool isWord(std::string_view text, std::string_view upperCase)
{
    return text.size() == upperCase.size()
           && std::equal(text.begin(), text.end(), upperCase.begin(),
                         [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a) == b; });
}

// What the statement around a stretch says of it, which the roles told a
// byte at a time cannot: the word after SET (PAGE, BEEP, SCROLL ...) is
// stored as letters but names what to set, so it is a keyword, not a
// variable; the 0 of ON ERROR GOTO 0 (trapping off) and RESUME 0 (back to
// the statement that failed) is stored as a line number but names no line,
// so it is a plain number for the links, the page and the checks.
void settleStatementRoles(std::string_view text, LineRoles& roles)
{
    std::string_view lastKeyword, keywordBefore;
    const RoleSpan* previous = nullptr;
    for (RoleSpan& span : roles) {
        const bool afterSet = previous && previous->role == Role::Keyword && isWord(lastKeyword, "SET");
        if (span.role == Role::Variable && afterSet) {
            span.role = Role::Keyword;
        } else if (span.role == Role::LineReference && digitsValue(text.substr(span.start, span.length)) == 0
                   && (isWord(lastKeyword, "RESUME")
                       || (isWord(lastKeyword, "GOTO") && isWord(keywordBefore, "ERROR")))) {
            span.role = Role::Number;
        }
        if (span.role == Role::Keyword) {
            keywordBefore = lastKeyword;
            lastKeyword = text.substr(span.start, span.length);
        }
        previous = &span;
    }
}

void eachProgramLine(ByteSource& rest, const ListingOptions& options,
                     const std::function<void(const ListedLine&)>& each, ProgramEnd& end)
{
    LineRoles roles;
    end = forEachProgramLine(rest, options, &roles, [&](const ListingLine& line) {
        settleStatementRoles(line.text, roles);
        each({line.number, line.text, roles});
    });
}

// A text listing's lines as the listing's readers take them: a line ends
// at CR LF, and at a CR that ends the listing; a lone CR or LF is a byte of
// its line, and so is whatever follows the graphic prefix. A listing saved
// with LF alone (by a text editor of this system) has its lines end at LF.
class TextLines {
public:
    TextLines(const std::function<void(const ListedLine&)>& each, bool lfEnds) : each_(each), lfEnds_(lfEnds) {}

    void feed(const std::uint8_t* bytes, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = static_cast<char>(bytes[i]);
            if (afterPrefix_) {
                afterPrefix_ = false;
                line_ += c;
                continue;
            }
            if (afterCr_) {
                afterCr_ = false;
                if (c == '\n') {
                    emit();
                    continue;
                }
                line_ += '\r';
            }
            if (c == '\r')
                afterCr_ = true;
            else if (c == '\n' && lfEnds_)
                emit();
            else
                line_ += c;
            afterPrefix_ = c == GraphicPrefix;
        }
    }

    void finish()
    {
        if (afterCr_ || !line_.empty())
            emit();
    }

private:
    void emit()
    {
        rolesOfTextLine(line_, roles_);
        settleStatementRoles(line_, roles_);
        std::optional<std::uint16_t> number;
        if (!roles_.empty() && roles_.front().role == Role::LineNumber) {
            const unsigned value =
                digitsValue(std::string_view(line_).substr(roles_.front().start, roles_.front().length));
            if (value <= 0xFFFF)
                number = static_cast<std::uint16_t>(value);
        }
        each_({number, line_, roles_});
        line_.clear();
    }

    const std::function<void(const ListedLine&)>& each_;
    bool lfEnds_;
    std::string line_;
    LineRoles roles_;
    bool afterCr_ = false;
    bool afterPrefix_ = false;
};

} // namespace

ProgramEnd forEachListedLine(const DocumentHead& head, ByteSource& rest, const ListingOptions& options,
                             const std::function<void(const ListedLine&)>& each)
{
    switch (head.kind) {
    case DocumentKind::TokenizedBasic: {
        ProgramEnd end = ProgramEnd::Complete;
        eachProgramLine(rest, options, each, end);
        return end;
    }
    case DocumentKind::Binary:
    case DocumentKind::BsaveBinary:
        // Its hex view, whose lines have no number and no roles.
        forEachHexViewLine(head, rest, [&each](std::string_view text) { each({std::nullopt, text, {}}); });
        return ProgramEnd::Complete;
    case DocumentKind::AsciiText: {
        // Which line end the listing uses, from its start: no CR there and
        // an LF means lines ended by LF.
        std::span<const std::uint8_t> chunk = rest.nextChunk();
        const auto has = [&](char c) {
            return head.firstByte == static_cast<std::uint8_t>(c)
                   || std::find(chunk.begin(), chunk.end(), c) != chunk.end();
        };
        TextLines lines(each, !has('\r') && has('\n'));
        if (head.firstByte)
            lines.feed(&*head.firstByte, 1);
        for (; !chunk.empty(); chunk = rest.nextChunk())
            lines.feed(chunk.data(), chunk.size());
        if (rest.failed())
            throw QuilletError(ErrorKind::ReadFailed, head.name);
        lines.finish();
        return ProgramEnd::Complete;
    }
    case DocumentKind::BsaveImage:
    case DocumentKind::GraphSaurusImage:
    case DocumentKind::CopiedImage: break;
    }
    throw std::invalid_argument(head.name + ": not a listing");
}

std::uint16_t referencedLine(const ListedLine& line, const RoleSpan& span)
{
    const unsigned value = digitsValue(line.text.substr(span.start, span.length));
    return static_cast<std::uint16_t>(std::min(value, 0xFFFFu));
}

} // namespace quillet
