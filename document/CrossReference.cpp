// SPDX-License-Identifier: MIT
#include "document/CrossReference.h"

#include "decoder/DecimalText.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace quillet {

namespace {

bool isTypeMark(char c)
{
    return c == '$' || c == '%' || c == '!' || c == '#';
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A variable's spelling as the program has it, and its type mark, whether
// the decoder put the mark in the name's span or left it just after.
struct Spelling {
    std::string_view name;
    char mark = 0;
};

Spelling spellingAt(const ListedLine& line, const RoleSpan& span)
{
    Spelling spelling{line.text.substr(span.start, span.length)};
    if (!spelling.name.empty() && isTypeMark(spelling.name.back())) {
        spelling.mark = spelling.name.back();
        spelling.name.remove_suffix(1);
    } else if (const std::size_t after = span.start + span.length;
               after < line.text.size() && isTypeMark(line.text[after])) {
        spelling.mark = line.text[after];
    }
    return spelling;
}

// The letters in upper case, as MSX BASIC stores a name.
bool sameSpelling(const Spelling& spelling, std::string_view stored)
{
    return stored.size() == spelling.name.size() + (spelling.mark ? 1 : 0)
           && std::equal(spelling.name.begin(), spelling.name.end(), stored.begin(),
                         [](char a, char b) { return upper(a) == b; })
           && (!spelling.mark || stored.back() == spelling.mark);
}

std::string storedSpelling(const Spelling& spelling)
{
    std::string text;
    for (const char c : spelling.name)
        text += upper(c);
    if (spelling.mark)
        text += spelling.mark;
    return text;
}

// Only the first two characters and the type mark tell variables apart: a
// letter, then a letter, a digit or nothing, then one of five marks.
constexpr std::string_view SecondCharacters = " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::string_view Marks = " $%!#";
constexpr std::size_t VariableKeys = 26 * SecondCharacters.size() * Marks.size();

std::optional<std::size_t> variableKey(const Spelling& spelling)
{
    const char first = spelling.name.empty() ? 0 : upper(spelling.name[0]);
    if (first < 'A' || first > 'Z')
        return std::nullopt;
    const std::size_t second = spelling.name.size() < 2 ? 0 : SecondCharacters.find(upper(spelling.name[1]));
    if (second == std::string_view::npos)
        return std::nullopt;
    const std::size_t mark = spelling.mark ? Marks.find(spelling.mark) : 0;
    return (static_cast<std::size_t>(first - 'A') * SecondCharacters.size() + second) * Marks.size() + mark;
}

std::string keyName(std::size_t key)
{
    const std::size_t mark = key % Marks.size(), second = key / Marks.size() % SecondCharacters.size();
    std::string name(1, static_cast<char>('A' + key / Marks.size() / SecondCharacters.size()));
    if (second != 0)
        name += SecondCharacters[second];
    if (mark != 0)
        name += Marks[mark];
    return name;
}

std::string decimal(unsigned value)
{
    char digits[8];
    return std::string(digits, putDecimal(digits, value));
}

} // namespace

void CrossReference::add(const ListedLine& line)
{
    const std::uint32_t ordinal = ordinal_++;
    if (!line.number)
        return;
    const std::uint16_t number = *line.number;
    present_.set(number);
    for (const RoleSpan& span : line.roles) {
        if (span.role == Role::LineReference) {
            references_.push_back({ordinal, number, referencedLine(line, span)});
        } else if (span.role == Role::Variable) {
            const Spelling spelling = spellingAt(line, span);
            const std::optional<std::size_t> key = variableKey(spelling);
            if (!key)
                continue;
            if (variables_.empty())
                variables_.resize(VariableKeys);
            std::unique_ptr<Variable>& variable = variables_[*key];
            if (!variable)
                variable = std::make_unique<Variable>();
            variable->lines.set(number);
            const auto known = [&spelling](const std::string& stored) { return sameSpelling(spelling, stored); };
            if (std::any_of(variable->spellings.begin(), variable->spellings.end(), known))
                continue;
            std::string stored = storedSpelling(spelling);
            for (const std::string& earlier : variable->spellings)
                merges_.push_back({ordinal, number, earlier, stored});
            variable->spellings.push_back(std::move(stored));
        }
    }
}

void CrossReference::writeXref(ByteSink& out) const
{
    // The referring lines grouped by target in one counting pass, since a
    // long program has far more references than line numbers.
    std::vector<std::uint32_t> groupEnd(0x10001, 0);
    for (const Reference& reference : references_)
        ++groupEnd[reference.target + 1u];
    for (std::size_t target = 1; target < groupEnd.size(); ++target)
        groupEnd[target] += groupEnd[target - 1];
    std::vector<std::uint16_t> byTarget(references_.size());
    {
        std::vector<std::uint32_t> next(groupEnd.begin(), groupEnd.end() - 1);
        for (const Reference& reference : references_)
            byTarget[next[reference.target]++] = reference.line;
    }
    std::string text;
    for (std::uint32_t target = 0; target < 0x10000; ++target) {
        const auto begin = byTarget.begin() + groupEnd[target], end = byTarget.begin() + groupEnd[target + 1];
        if (begin == end)
            continue;
        text = decimal(target) + '\t';
        bool first = true;
        const auto put = [&](unsigned line) {
            text += (first ? "" : " ") + decimal(line);
            first = false;
        };
        if (end - begin < 4096) {
            std::sort(begin, end);
            for (auto line = begin; line != end; ++line)
                if (line == begin || *line != line[-1])
                    put(*line);
        } else {
            // Lines numbered alike many times over: a set is cheaper than a sort.
            std::bitset<0x10000> lines;
            for (auto line = begin; line != end; ++line)
                lines.set(*line);
            for (unsigned line = 0; line < lines.size(); ++line)
                if (lines.test(line))
                    put(line);
        }
        if (!hasLine(static_cast<std::uint16_t>(target)))
            text += "\tmissing";
        text += '\n';
        out.write(text);
    }
    out.write("\n");
    // In the order of the names' texts.
    std::vector<std::pair<std::string, const Variable*>> named;
    for (std::size_t key = 0; key < variables_.size(); ++key)
        if (variables_[key])
            named.emplace_back(keyName(key), variables_[key].get());
    std::sort(named.begin(), named.end());
    for (const auto& [name, variable] : named) {
        text = name + '\t';
        for (std::size_t i = 0; i < variable->spellings.size(); ++i)
            text += (i > 0 ? " " : "") + variable->spellings[i];
        text += '\t';
        bool first = true;
        for (unsigned number = 0; number < variable->lines.size(); ++number) {
            if (!variable->lines.test(number))
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
