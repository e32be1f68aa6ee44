// SPDX-License-Identifier: MIT
#pragma once
// The line references and the variables of a listing, gathered line by
// line as the listing is walked: the cross-reference and the checks of
// quillet-convert.

#include "common/ByteStream.h"
#include "document/ListedLines.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillet {

class CrossReference {
public:
    // The lines in the program's order.
    void add(const ListedLine& line);

    // One line per line number referred to, ascending: the number, a TAB,
    // the lines referring to it (ascending, each once, blank-separated),
    // and a TAB and "missing" when the program has no such line. Then an
    // empty line, and one line per variable as MSX BASIC knows it (its
    // first two characters and its type mark): the name, a TAB, the
    // spellings used, a TAB, the lines using it.
    void writeXref(ByteSink& out) const;

    // In the program's order: "LINE: TARGET: no such line" for each line
    // referring to a missing one, and "LINE: A and B are the same variable"
    // for each pair of spellings MSX BASIC takes as one, at the first line
    // that has both.
    std::vector<std::string> problems() const;

    // Whether the program has a line of this number.
    bool hasLine(std::uint16_t number) const { return present_.test(number); }

private:
    struct Reference {
        std::uint32_t ordinal; // of the referring line in the program
        std::uint16_t line;
        std::uint16_t target;
    };
    struct Variable {
        std::vector<std::string> spellings; // in the order first met
        std::bitset<0x10000> lines;         // a set, so that a long program's table stays small
    };
    struct Merge {
        std::uint32_t ordinal;
        std::uint16_t line;
        std::string first;
        std::string second;
    };

    std::bitset<0x10000> present_;
    std::uint32_t ordinal_ = 0;
    std::vector<Reference> references_;
    std::vector<std::unique_ptr<Variable>> variables_; // by the name's two characters and mark
    std::vector<Merge> merges_;
};

} // namespace quillet
