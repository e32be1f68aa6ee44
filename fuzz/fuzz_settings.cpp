// SPDX-License-Identifier: MIT
// Random settings files through the INI reader the settings store keeps
// its file with. The input is the file, then after a NUL a section, name
// and value separated by 0x01 to set. A file read and written back is the
// same bytes; a storable value set reads back, also from the file written
// and read again; and every other value stays as it was.

#include "app/IniDocument.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using quillet::app::IniDocument;

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(" \t\r");
    return begin == std::string_view::npos ? std::string_view()
                                           : text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// Sections and names the file might hold, as a reader of it would guess
// them; those it does not hold are looked up all the same.
std::vector<std::pair<std::string, std::string>> guessedKeys(std::string_view file)
{
    std::vector<std::pair<std::string, std::string>> keys;
    std::string section;
    for (const std::string_view line : split(file, '\n')) {
        const std::string_view body = trimmed(line);
        if (body.size() >= 2 && body.front() == '[' && body.back() == ']')
            section = body.substr(1, body.size() - 2);
        else if (const std::size_t equals = line.find('='); equals != std::string_view::npos)
            keys.emplace_back(section, trimmed(line.substr(0, equals)));
    }
    return keys;
}

std::optional<std::string> found(const IniDocument& document, std::string_view section, std::string_view name)
{
    const std::optional<std::string_view> value = document.find(section, name);
    return value ? std::optional<std::string>(*value) : std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = std::min(input.find('\0'), input.size());
    const std::string_view file = input.substr(0, nul);
    IniDocument document = IniDocument::parse(file);
    if (document.serialize() != file)
        std::abort();
    if (nul == input.size())
        return 0;

    const std::vector<std::string_view> asked = split(input.substr(nul + 1), '\x01');
    if (asked.size() != 3 || !IniDocument::isStorableSection(asked[0]) || !IniDocument::isStorableName(asked[1])
        || !IniDocument::isStorableValue(asked[2]))
        return 0;
    const auto keys = guessedKeys(file);
    std::vector<std::optional<std::string>> before;
    for (const auto& [section, name] : keys)
        before.push_back(found(document, section, name));

    document.set(asked[0], asked[1], asked[2]);
    const IniDocument reread = IniDocument::parse(document.serialize());
    if (reread.serialize() != document.serialize())
        std::abort();
    for (const IniDocument* holder : {static_cast<const IniDocument*>(&document), &reread}) {
        if (found(*holder, asked[0], asked[1]) != std::string(asked[2]))
            std::abort();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if ((keys[i].first != asked[0] || keys[i].second != asked[1])
                && found(*holder, keys[i].first, keys[i].second) != before[i])
                std::abort();
        }
    }
    return 0;
}
