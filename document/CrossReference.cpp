// SPDX-License-Identifier: MIT
#include "document/CrossReference.h"

#include "decoder/DecimalText.h"

#include <algorithm>
#include <string_view>

namespace quillet {

namespace {

bool isTypeMark(char c)
{
    return c == '$' || c == '%' || c == '!' || c == '#';
}

// A variable's spelling as MSX BASIC stores it (letters in upper case) and
// its type mark, whether the decoder put the mark in the name's span or
// left it just after.
std::string spellingAt(const ListedLine& line, const RoleSpan& span)
{
    std::string spelling(line.text.substr(span.start, span.length));
    for (char& c : spelling)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    const std::size_t after = span.start + span.length;
    if ((spelling.empty() || !isTypeMark(spelling.back())) && after < line.text.size() && isTypeMark(line.text[after]))
        spelling += line.text[after];
    return spelling;
}

// Only the first two characters and the type mark tell variables apart.
std::string variableKey(const std::string& spelling)
{
    const bool marked = !spelling.empty() && isTypeMark(spelling.back());
    const std::size_t nameLength = spelling.size() - (marked ? 1 : 0);
    std::string key = spelling.substr(0, std::min<std::size_t>(nameLength, 2));
    if (marked)
        key += spelling.back();
    return key;
}

// ON ERROR GOTO 0 turns error trapping off and RESUME 0 goes back to the
// statement that failed: their 0 is no line.
bool namesNoLine(std::string_view lastKeyword, std::string_view keywordBefore)
{
    const auto is = [](std::string_view keyword, std::string_view upper) {
        return keyword.size() == upper.size()
               && std::equal(keyword.begin(), keyword.end(), upper.begin(),
                             [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a) == b; });
    };
    return is(lastKeyword, "RESUME") || (is(lastKeyword, "GOTO") && is(keywordBefore, "ERROR"));
}

std::string decimal(unsigned value)
{
    char digits[8];
    return std::string(digits, putDecimal(digits, value));
}

void putLines(std::string& out, std::vector<std::uint16_t> lines)
{
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += ' ';
        out += decimal(lines[i]);
    }
}

} // namespace

void CrossReference::add(const ListedLine& line)
{
    const std::uint32_t ordinal = ordinal_++;
    if (!line.number)
        return;
    const std::uint16_t number = *line.number;
    present_.set(number);
    // The two keywords before a span, for the zeros that name no line.
    std::string_view lastKeyword, keywordBefore;
    for (const RoleSpan& span : line.roles) {
        if (span.role == Role::Keyword) {
            keywordBefore = lastKeyword;
            lastKeyword = line.text.substr(span.start, span.length);
        } else if (span.role == Role::LineReference) {
            const std::uint16_t target = referencedLine(line, span);
            if (!(target == 0 && namesNoLine(lastKeyword, keywordBefore)))
                references_.push_back({ordinal, number, target});
        } else if (span.role == Role::Variable) {
            std::string spelling = spellingAt(line, span);
            if (spelling.empty() || isTypeMark(spelling.front()))
                continue;
            Variable& variable = variables_[variableKey(spelling)];
            variable.lines->set(number);
            if (std::find(variable.spellings.begin(), variable.spellings.end(), spelling) != variable.spellings.end())
                continue;
            for (const std::string& earlier : variable.spellings)
                merges_.push_back({ordinal, number, earlier, spelling});
            variable.spellings.push_back(std::move(spelling));
        }
    }
}

std::vector<std::uint16_t> CrossReference::referrersOf(std::uint16_t target) const
{
    std::vector<std::uint16_t> lines;
    for (const Reference& reference : references_)
        if (reference.target == target)
            lines.push_back(reference.line);
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

void CrossReference::writeXref(ByteSink& out) const
{
    std::vector<Reference> byTarget = references_;
    std::sort(byTarget.begin(), byTarget.end(), [](const Reference& a, const Reference& b) {
        return a.target != b.target ? a.target < b.target : a.line < b.line;
    });
    std::string text;
    for (std::size_t i = 0; i < byTarget.size();) {
        const std::uint16_t target = byTarget[i].target;
        text = decimal(target) + '\t';
        std::vector<std::uint16_t> lines;
        for (; i < byTarget.size() && byTarget[i].target == target; ++i)
            lines.push_back(byTarget[i].line);
        putLines(text, std::move(lines));
        if (!hasLine(target))
            text += "\tmissing";
        text += '\n';
        out.write(text);
    }
    out.write("\n");
    for (const auto& [name, variable] : variables_) {
        text = name + '\t';
        for (std::size_t i = 0; i < variable.spellings.size(); ++i)
            text += (i > 0 ? " " : "") + variable.spellings[i];
        text += '\t';
        bool first = true;
        for (unsigned number = 0; number < variable.lines->size(); ++number) {
            if (!variable.lines->test(number))
                continue;
            text += (first ? "" : " ") + decimal(number);
            first = false;
        }
        text += '\n';
        out.write(text);
    }
}

std::vector<std::string> CrossReference::problems() const
{
    // Both kinds in the program's order; a line's references before its
    // variables, each kind in the order met.
    struct Problem {
        std::uint32_t ordinal;
        int kind;
        std::string text;
    };
    std::vector<Problem> found;
    std::uint32_t lastOrdinal = UINT32_MAX;
    std::vector<std::uint16_t> toldInLine;
    for (const Reference& reference : references_) {
        if (hasLine(reference.target))
            continue;
        if (reference.ordinal != lastOrdinal) {
            lastOrdinal = reference.ordinal;
            toldInLine.clear();
        }
        if (std::find(toldInLine.begin(), toldInLine.end(), reference.target) != toldInLine.end())
            continue;
        toldInLine.push_back(reference.target);
        found.push_back(
            {reference.ordinal, 0, decimal(reference.line) + ": " + decimal(reference.target) + ": no such line"});
    }
    for (const Merge& merge : merges_)
        found.push_back({merge.ordinal, 1,
                         decimal(merge.line) + ": " + merge.first + " and " + merge.second + " are the same variable"});
    std::stable_sort(found.begin(), found.end(), [](const Problem& a, const Problem& b) {
        return a.ordinal != b.ordinal ? a.ordinal < b.ordinal : a.kind < b.kind;
    });
    std::vector<std::string> texts;
    for (Problem& problem : found)
        texts.push_back(std::move(problem.text));
    return texts;
}

} // namespace quillet
