// SPDX-License-Identifier: MIT
#pragma once
// The text of an INI file as a list of lines, so that a value can be read or
// replaced while every other byte of the file stays as it was: comments,
// blank lines, unknown sections and values, their order and line endings.
//
// A line is one of
//   [Section]      a header; the name is the text between the brackets, as is
//   name=value     an entry; the name is trimmed of blanks and tabs, the value
//                  is everything after the first "=" (a final CR excepted)
//   anything else  (comments, blank lines, garbage) kept and never read.
// Names are matched exactly, case included. Entries before the first header
// belong to no section. When a name occurs twice in a section the first
// occurrence counts, for reading and for replacing.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::app {

class IniDocument {
public:
    static IniDocument parse(std::string_view bytes);
    std::string serialize() const;

    std::optional<std::string_view> find(std::string_view section, std::string_view name) const;

    // Replaces the first entry of that name in the section, or adds one at the
    // end of the section's entries, or adds the section at the end of the
    // file. The caller checks the texts with the three predicates below.
    void set(std::string_view section, std::string_view name, std::string_view value);

    // Texts that survive a write and a re-read unchanged.
    static bool isStorableSection(std::string_view section);
    static bool isStorableName(std::string_view name);
    static bool isStorableValue(std::string_view value);

private:
    enum class Kind { Other, Header, Entry };
    struct Line {
        std::string raw; // the bytes of the line without its "\n"
        Kind kind = Kind::Other;
        std::string name;           // section name of a header, trimmed name of an entry
        std::size_t valueBegin = 0; // offset of the value in raw (entries)
        std::size_t valueEnd = 0;
    };

    static Line classify(std::string raw, bool firstLine);
    static Line makeEntry(std::string_view name, std::string_view value, bool crlf);
    std::optional<std::size_t> findEntry(std::string_view section, std::string_view name) const;

    std::vector<Line> lines_;
    bool finalNewline_ = true;
    bool crlf_ = false; // new lines follow the style of the file's first line
};

} // namespace quillet::app
