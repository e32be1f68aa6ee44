// SPDX-License-Identifier: MIT
// The RTF reader: what the listing builder writes comes back byte for byte
// in the right font, and foreign RTF is read the way RTF readers do.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "render/RtfListing.h"
#include "render/RtfReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

// A document flattened to one readable line: "[fN]" at each font change,
// bytes as hex, Unicode text as <U+XXXX>, paragraphs as "|".
std::string flatten(const RtfDocument& doc)
{
    std::string out;
    int font = -1;
    char buffer[16];
    for (const RtfRun& run : doc.runs) {
        if (run.kind == RtfRun::Kind::ParagraphEnd) {
            out += '|';
            continue;
        }
        if (run.font != font) {
            font = run.font;
            out += "[f" + std::to_string(font) + "]";
        }
        if (run.kind == RtfRun::Kind::Bytes) {
            for (const char c : doc.bytesOf(run)) {
                std::snprintf(buffer, sizeof buffer, "%02X ", static_cast<std::uint8_t>(c));
                out += buffer;
            }
        } else {
            for (const char32_t c : doc.textOf(run)) {
                std::snprintf(buffer, sizeof buffer, "<U+%04X>", static_cast<unsigned>(c));
                out += buffer;
            }
        }
    }
    return out;
}

// What the builder's byte dispatch promises, in the same flat form.
std::string expectedFlat(std::string_view listing, const RtfListingOptions& options)
{
    std::string out;
    int font = -1;
    char buffer[8];
    auto put = [&](int f, std::uint8_t byte) {
        if (f != font) {
            font = f;
            out += "[f" + std::to_string(f) + "]";
        }
        std::snprintf(buffer, sizeof buffer, "%02X ", byte);
        out += buffer;
    };
    for (std::size_t i = 0; i < listing.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(listing[i]);
        if (b == 0x01) {
            if (++i == listing.size())
                break;
            put(options.isAnkMode ? 1 : 0, static_cast<std::uint8_t>(listing[i]));
        } else if (b == 0x0D && (i + 1 == listing.size() || listing[i + 1] == '\n')) {
            out += '|'; // a line end: CR LF, or a CR that ends the listing
            ++i;
        } else if (b == 0xAD && options.isAnkMode && options.isMap0xAD) {
            put(2, mappedCodeFor0xAD(options));
        } else {
            put(0, b); // a lone CR or LF too: a byte of its line
        }
    }
    return out + "|"; // the closing \par
}

RtfDocument readListing(std::string_view listing, const RtfListingOptions& options)
{
    MemorySource source(listing);
    StringSink sink;
    writeRtfListing(source, sink, options);
    return readRtf(sink.str());
}

std::string allBytes()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    for (int i = 0; i < 256; ++i) {
        bytes += '\x01';
        bytes += static_cast<char>(i);
    }
    return bytes;
}

std::string textOf(const RtfDocument& doc)
{
    std::string out;
    for (const RtfRun& run : doc.runs) {
        if (run.kind == RtfRun::Kind::Bytes)
            out += doc.bytesOf(run);
        else if (run.kind == RtfRun::Kind::ParagraphEnd)
            out += '|';
        else
            for (const char32_t c : doc.textOf(run))
                out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

} // namespace

TEST(RtfReaderRoundTrip, BuilderOutputComesBackInItsFonts)
{
    RtfListingOptions kanji;
    kanji.isAnkMode = false;
    kanji.fontCharset = 128;
    RtfListingOptions unmapped;
    unmapped.isMap0xAD = false;
    for (const RtfListingOptions& options : {RtfListingOptions(), kanji, unmapped}) {
        const std::string listing = allBytes() + "10 \x01\x41\xAD\r\n\x01";
        const RtfDocument doc = readListing(listing, options);
        EXPECT_EQ(flatten(doc), expectedFlat(listing, options)) << "ANK " << options.isAnkMode;
        EXPECT_EQ(doc.codePage, 932);
        EXPECT_EQ(doc.defaultFont, 0);
        ASSERT_EQ(doc.fonts.size(), options.isAnkMode ? 3u : 2u);
        EXPECT_EQ(doc.font(0)->name, options.isAnkMode ? "MSX ROM 8dot" : "ＭＳ ゴシック");
        EXPECT_EQ(doc.font(0)->charset, options.fontCharset);
        EXPECT_EQ(doc.font(1)->name, "MSX ROM Graph 8dot");
        for (const RtfRun& run : doc.runs)
            EXPECT_EQ(run.halfPoints, 24);
    }
}

TEST(RtfReader, PartsTogetherAreTheWholeDocument)
{
    const std::string listing = allBytes() + "\r\n10 \x01\x41\xAD\r\n\r\n20 END\r\n";
    MemorySource source(listing); // reads the string in place
    StringSink sink;
    writeRtfListing(source, sink, {});
    const std::string foreign =
        "{\\rtf1{\\fonttbl{\\f0 A;}{\\f1 B;}}\\f0 one\\par\\f1\\'41\\u12354?\\par\\fs40 x\\par}";
    // One line of 2.5 MB of code page 932 text, a two-byte character after
    // each single one: cut inside, never inside a character.
    std::string line;
    while (line.size() < RtfPartBytes * 5 / 2)
        line += "A\x82\xA0";
    MemorySource longSource(line);
    StringSink longSink;
    RtfListingOptions kanji;
    kanji.isAnkMode = false;
    kanji.fontCharset = 128;
    writeRtfListing(longSource, longSink, kanji);
    for (const std::string& rtf : {sink.str(), foreign, longSink.str()}) {
        const RtfDocument whole = readRtf(rtf);
        // The long line is cut by its size alone.
        const std::vector<std::size_t> partSizes =
            rtf.size() > RtfPartBytes ? std::vector<std::size_t>{1000} : std::vector<std::size_t>{1, 2, 3, 1000};
        for (const std::size_t runsPerPart : partSizes) {
            RtfDocument joined;
            int parts = 0, lastParts = 0;
            std::size_t lastRead = 0;
            readRtf(rtf, runsPerPart, [&](const RtfDocument& part, std::size_t read, bool last) {
                ++parts;
                lastParts += last ? 1 : 0;
                EXPECT_GE(read, lastRead);
                lastRead = read;
                EXPECT_EQ(part.fonts.size(), whole.fonts.size()) << "every part knows the fonts";
                if (!part.runs.empty() && !last) {
                    const bool paragraphEnd = part.runs.back().kind == RtfRun::Kind::ParagraphEnd;
                    const bool longCut = part.bytes.size() >= RtfPartBytes && part.bytes.back() == 'A';
                    EXPECT_TRUE(paragraphEnd || longCut) << "cut at a paragraph's end, or after a whole character";
                }
                for (RtfRun run : part.runs) {
                    run.offset += run.kind == RtfRun::Kind::Text ? joined.text.size() : joined.bytes.size();
                    joined.runs.push_back(run);
                }
                joined.bytes += part.bytes;
                joined.text += part.text;
            });
            EXPECT_EQ(flatten(joined), flatten(whole)) << runsPerPart;
            EXPECT_EQ(lastParts, 1);
            EXPECT_EQ(lastRead, rtf.size());
            if (runsPerPart == 1 || rtf.size() > RtfPartBytes)
                EXPECT_GT(parts, 2);
        }
    }
}

TEST(RtfReaderRoundTrip, FontNamesComeBackAsWritten)
{
    for (const std::string name : {"a{b}c\\d", "表示ソ", "ｱｲ€", "x\xF0\x9F\x98\x80y", "  two  spaces"}) {
        RtfListingOptions options;
        options.fontNameAnkGraph = name;
        const RtfDocument doc = readListing("A", options);
        ASSERT_NE(doc.font(1), nullptr);
        EXPECT_EQ(doc.font(1)->name, name);
        EXPECT_EQ(doc.font(2)->name, "MSX ROM 8dot");
    }
}

TEST(RtfReaderRoundTrip, SemicolonEndsANameWithoutTouchingOtherFonts)
{
    RtfListingOptions options;
    options.fontNameAnkGraph = "a;b";
    const RtfDocument doc = readListing("A", options);
    EXPECT_EQ(doc.font(1)->name, "a");
    EXPECT_EQ(doc.font(0)->name, "MSX ROM 8dot");
    EXPECT_EQ(doc.font(2)->name, "MSX ROM 8dot");
}

TEST(RtfReader, RefusesWhatIsNotRtf)
{
    for (const std::string_view text : {"", "hello", "{\\rt", "\\rtf1", "{rtf1}"}) {
        try {
            readRtf(text);
            ADD_FAILURE() << "read as RTF: " << text;
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::NotRtf);
        }
    }
    EXPECT_NO_THROW(readRtf("\r\n {\\rtf1}"));
}

TEST(RtfReader, SkipsDestinationsAndUnknownWords)
{
    const RtfDocument doc =
        readRtf("{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss{\\*\\panose 0}Arial;}{\\f1\\fmodern\\fcharset2{\\*\\falt X}Sym;}}"
                "{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}"
                "{\\*\\generator G;}{\\*\\unknowndest {nested} text}{\\header H}"
                "\\viewkind4\\pard\\plain\\f0\\fs20 A\\bogus123 B{\\pict\\bin4 }}{x}C\\par\r\n"
                "\\f1 D}trailing");
    ASSERT_EQ(doc.fonts.size(), 2u);
    EXPECT_EQ(doc.font(0)->name, "Arial");
    EXPECT_EQ(doc.font(1)->name, "Sym");
    EXPECT_EQ(doc.font(1)->charset, 2);
    EXPECT_EQ(doc.font(0)->charset, -1);
    EXPECT_EQ(flatten(doc), "[f0]41 42 43 |[f1]44 ");
    EXPECT_EQ(doc.runs.front().halfPoints, 20);
}

TEST(RtfReader, UnicodeEscapesAndTheirFallbacks)
{
    // \uc1 by default: one fallback character after each \u.
    EXPECT_EQ(flatten(readRtf("{\\rtf1 \\u12354?\\u-3\\'3fA}")), "[f0]<U+3042><U+FFFD>41 ");
    // \uc2 skips two, a \'HH counting as one; \uc0 skips nothing.
    EXPECT_EQ(flatten(readRtf("{\\rtf1\\uc2\\u8364\\'80?B\\uc0\\u8364 C}")), "[f0]<U+20AC>42 <U+20AC>43 ");
    // The skip ends at a group boundary.
    EXPECT_EQ(flatten(readRtf("{\\rtf1\\uc3\\u8364{}D}")), "[f0]<U+20AC>44 ");
    // Surrogate pairs join; a lone half is a replacement character.
    EXPECT_EQ(flatten(readRtf("{\\rtf1\\uc0\\u-10179\\u-8704\\u-10179 E\\u-8704 F}")),
              "[f0]<U+1F600><U+FFFD>45 <U+FFFD>46 ");
    EXPECT_EQ(flatten(readRtf("{\\rtf1\\uc0\\u-10179}")), "[f0]<U+FFFD>");
}

TEST(RtfReader, SymbolsEscapesAndLineBreaks)
{
    EXPECT_EQ(flatten(readRtf("{\\rtf1 a\\{\\}\\\\\\tab b\\~\\-c\r\nd\\\ne\\line f\\'4g\\'zz}")),
              "[f0]61 7B 7D 5C <U+0009>62 <U+00A0>63 64 |65 |66 34 67 7A 7A ");
    // Bad hex escapes are dropped and their characters read as text.
    // Lowercase hex digits, and a control word delimiter space.
    EXPECT_EQ(flatten(readRtf("{\\rtf1\\'ab\\par x}")), "[f0]AB |78 ");
    // A run of hex escapes ends at a bad one, at a group, and where \uN's
    // fallback skips them.
    EXPECT_EQ(flatten(readRtf("{\\rtf1\\'41\\'42\\'4g\\'43{\\f1\\'44}\\'45}")), "[f0]41 42 34 67 43 [f1]44 [f0]45 ");
    EXPECT_EQ(flatten(readRtf("{\\rtf1\\uc2\\u12354\\'41\\'42\\'43\\'44}")), "[f0]<U+3042>43 44 ");
}

TEST(RtfReader, FontTablesWithoutEntryGroupsAndDefaultFont)
{
    const RtfDocument doc = readRtf("{\\rtf1\\ansi\\ansicpg1252\\deff1{\\fonttbl\\f0\\fnil Alpha;\\f1\\fcharset128 "
                                    "\\'82\\'a0;}A\\f0 B\\plain C}");
    ASSERT_EQ(doc.fonts.size(), 2u);
    EXPECT_EQ(doc.font(0)->name, "Alpha");
    EXPECT_EQ(doc.font(1)->name, "あ"); // charset 128: code page 932 whatever the document says
    EXPECT_EQ(doc.codePage, 1252);
    EXPECT_EQ(flatten(doc), "[f1]41 [f0]42 [f1]43 ");
    EXPECT_EQ(doc.font(7), nullptr);
}

TEST(RtfReader, NamesInTheDocumentCodePage)
{
    const RtfDocument doc = readRtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset2 Caf\\'e9;}}}");
    EXPECT_EQ(doc.font(0)->name, "Café");
}

TEST(RtfReader, HostileStructureEndsCleanly)
{
    // Deep nesting, an unclosed document, a \bin longer than the input.
    std::string deep = "{\\rtf1 A";
    deep += std::string(200000, '{') + "B" + std::string(200000, '}') + "C}";
    EXPECT_EQ(textOf(readRtf(deep)), "AC"); // groups past the depth limit are skipped
    EXPECT_EQ(textOf(readRtf("{\\rtf1 abc")), "abc");
    EXPECT_EQ(textOf(readRtf("{\\rtf1 a\\bin999 xyz}")), "a");
    EXPECT_EQ(textOf(readRtf("{\\rtf1 a{\\*\\x {{{")), "a");
    EXPECT_EQ(textOf(readRtf("{\\rtf1 a\\")), "a");
    EXPECT_EQ(textOf(readRtf("{\\rtf1 a\\'")), "a");
    EXPECT_EQ(textOf(readRtf("{\\rtf1 \\fs99999999999999999 a\\f-5 b\\u99999999999 c}")),
              "ab?"); // the fallback of \\u swallows the c
}

TEST(RtfReader, ShallowGroupsAroundTextKeepTheirState)
{
    const RtfDocument doc = readRtf("{\\rtf1{\\fonttbl{\\f0 A;}{\\f1 B;}}\\f0 x{\\f1\\fs40 y}z}");
    EXPECT_EQ(flatten(doc), "[f0]78 [f1]79 [f0]7A ");
    EXPECT_EQ(doc.runs[1].halfPoints, 40);
    EXPECT_EQ(doc.runs[2].halfPoints, 24);
}

// Found by fuzzing: a negative \deff gave runs a negative font number.
TEST(RtfReaderRegression, NegativeDefaultFontIsFontZero)
{
    const RtfDocument doc = readRtf("{\\rtf1\\deff-10179\\u-8704 {{\\rc\xFF\xFF"
                                    "f1\\ansi a}}");
    ASSERT_FALSE(doc.runs.empty());
    for (const RtfRun& run : doc.runs)
        EXPECT_EQ(run.font, 0);
}
