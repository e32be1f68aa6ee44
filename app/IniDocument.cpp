// SPDX-License-Identifier: MIT
#include "app/IniDocument.h"

namespace quillet::app {

namespace {

constexpr std::string_view Blanks = " \t";
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view text)
{
    std::size_t begin = text.find_first_not_of(Blanks);
    if (begin == std::string_view::npos)
        return {};
    std::size_t end = text.find_last_not_of(Blanks);
    return text.substr(begin, end - begin + 1);
}

bool isBlankLine(std::string_view raw)
{
    return raw.find_first_not_of(" \t\r") == std::string_view::npos;
}

bool hasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace

IniDocument::Line IniDocument::classify(std::string raw, bool firstLine)
{
    Line line;
    line.raw = std::move(raw);
    std::string_view text = line.raw;
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    // Editors on other systems like to start a UTF-8 file with a byte-order mark.
    if (firstLine && text.starts_with(Utf8Bom))
        text.remove_prefix(Utf8Bom.size());
    const std::size_t bodyOffset = static_cast<std::size_t>(text.data() - line.raw.data());

    std::string_view body = trimmed(text);
    if (body.empty() || body.front() == ';' || body.front() == '#')
        return line;
    if (body.front() == '[' && body.back() == ']' && body.size() >= 2) {
        line.kind = Kind::Header;
        line.name = std::string(body.substr(1, body.size() - 2));
        return line;
    }
    std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return line;
    std::string_view name = trimmed(text.substr(0, equals));
    if (name.empty())
        return line;
    line.kind = Kind::Entry;
    line.name = std::string(name);
    line.valueBegin = bodyOffset + equals + 1;
    line.valueEnd = bodyOffset + text.size();
    return line;
}

IniDocument IniDocument::parse(std::string_view bytes)
{
    IniDocument document;
    document.finalNewline_ = bytes.empty() || bytes.back() == '\n';
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        document.lines_.push_back(classify(std::string(bytes.substr(start, end - start)), document.lines_.empty()));
        start = end + 1;
    }
    document.crlf_ = !document.lines_.empty() && document.lines_.front().raw.ends_with('\r');
    return document;
}

std::string IniDocument::serialize() const
{
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        text += lines_[i].raw;
        if (i + 1 < lines_.size() || finalNewline_)
            text += '\n';
    }
    return text;
}

std::optional<std::size_t> IniDocument::findEntry(std::string_view section, std::string_view name) const
{
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Header)
            inSection = line.name == section;
        else if (inSection && line.kind == Kind::Entry && line.name == name)
            return i;
    }
    return std::nullopt;
}

std::optional<std::string_view> IniDocument::find(std::string_view section, std::string_view name) const
{
    std::optional<std::size_t> index = findEntry(section, name);
    if (!index)
        return std::nullopt;
    const Line& line = lines_[*index];
    return std::string_view(line.raw).substr(line.valueBegin, line.valueEnd - line.valueBegin);
}

IniDocument::Line IniDocument::makeEntry(std::string_view name, std::string_view value, bool crlf)
{
    Line line;
    line.kind = Kind::Entry;
    line.name = std::string(name);
    line.raw = line.name + '=';
    line.valueBegin = line.raw.size();
    line.raw += value;
    line.valueEnd = line.raw.size();
    if (crlf)
        line.raw += '\r';
    return line;
}

void IniDocument::set(std::string_view section, std::string_view name, std::string_view value)
{
    if (std::optional<std::size_t> index = findEntry(section, name)) {
        Line& line = lines_[*index];
        // Keep the line's own ending (and a leading byte-order mark); the
        // name is rewritten exactly as given.
        bool bom = *index == 0 && line.raw.starts_with(Utf8Bom);
        line = makeEntry(name, value, line.raw.ends_with('\r'));
        if (bom) {
            line.raw.insert(0, Utf8Bom);
            line.valueBegin += Utf8Bom.size();
            line.valueEnd += Utf8Bom.size();
        }
        return;
    }

    // The new entry goes after the last entry of the first such section, so
    // that comments and blank lines in front of the next section stay there.
    std::optional<std::size_t> insertAfter;
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Header) {
            if (inSection)
                break;
            inSection = line.name == section;
            if (inSection)
                insertAfter = i;
        } else if (inSection && line.kind == Kind::Entry) {
            insertAfter = i;
        }
    }
    if (insertAfter) {
        if (*insertAfter + 1 == lines_.size())
            finalNewline_ = true;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insertAfter + 1), makeEntry(name, value, crlf_));
        return;
    }

    if (!lines_.empty() && !isBlankLine(lines_.back().raw)) {
        Line separator;
        separator.raw = crlf_ ? "\r" : "";
        lines_.push_back(std::move(separator));
    }
    Line header;
    header.kind = Kind::Header;
    header.name = std::string(section);
    header.raw = '[' + header.name + ']' + (crlf_ ? "\r" : "");
    lines_.push_back(std::move(header));
    lines_.push_back(makeEntry(name, value, crlf_));
    finalNewline_ = true;
}

bool IniDocument::isStorableSection(std::string_view section)
{
    return !section.empty() && !hasLineBreakOrNul(section) && section.find(']') == std::string_view::npos
           && trimmed(section) == section;
}

bool IniDocument::isStorableName(std::string_view name)
{
    if (name.empty() || hasLineBreakOrNul(name) || name.find('=') != std::string_view::npos)
        return false;
    if (trimmed(name) != name)
        return false;
    // These first characters would make the line a comment or a header.
    return name.front() != ';' && name.front() != '#' && name.front() != '[';
}

bool IniDocument::isStorableValue(std::string_view value)
{
    return !hasLineBreakOrNul(value);
}

} // namespace quillet::app
