// SPDX-License-Identifier: MIT
#pragma once
// Reads RTF into a font table and runs of text, the way RTF readers do:
// groups, the font table, font and size changes, paragraphs, \'HH bytes,
// \uN characters (with \ucN), a few symbol words; unknown control words are
// passed over and destinations such as \colortbl, \stylesheet, \info and
// every {\*\...} group are skipped whole. It reads any RTF that the
// listing builder or the listing view writes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct RtfFont {
    int number = 0;
    int charset = -1; // -1: none given
    std::string name; // UTF-8, decoded by the font's or the document's code page
};

struct RtfRun {
    enum class Kind : std::uint8_t {
        Bytes,        // bytes in the run's font: RtfDocument::bytes
        Text,         // Unicode characters: RtfDocument::text
        ParagraphEnd, // \par (also \line, \page, \sect)
    };
    Kind kind = Kind::Bytes;
    int font = 0;
    int halfPoints = 24;
    std::size_t offset = 0;
    std::size_t length = 0;
};

struct RtfDocument {
    int codePage = 1252; // \ansicpgN
    int defaultFont = 0; // \deffN
    std::vector<RtfFont> fonts;
    std::vector<RtfRun> runs;
    std::string bytes;
    std::u32string text;

    // The entry of a font number, or null when the table has none.
    const RtfFont* font(int number) const;
    std::string_view bytesOf(const RtfRun& run) const { return std::string_view(bytes).substr(run.offset, run.length); }
    std::u32string_view textOf(const RtfRun& run) const
    {
        return std::u32string_view(text).substr(run.offset, run.length);
    }
};

// Throws QuilletError(NotRtf) when the input does not start with
// "{\rtf". Anything after that reads without failure: unbalanced groups
// end at the end of the input, bad escapes are passed over.
RtfDocument readRtf(std::string_view rtf);

// The same, handing the document over in parts so that a large one is never
// held whole: onPart(part, bytesRead, last) gets the font table and the runs
// read since the previous part, cut at a paragraph's end once there are
// runsPerPart of them; the final part comes with last set. A paragraph
// longer than RtfPartBytes is cut too, inside a run of \'HH bytes once the
// part holds that many, after a byte below 0x80: never inside a character
// of a double-byte code page, whose first byte is above.
inline constexpr std::size_t RtfPartBytes = std::size_t{1} << 20;
using RtfPartHandler = std::function<void(const RtfDocument& part, std::size_t bytesRead, bool last)>;
void readRtf(std::string_view rtf, std::size_t runsPerPart, const RtfPartHandler& onPart);

} // namespace quillet
