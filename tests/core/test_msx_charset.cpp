// SPDX-License-Identifier: MIT
// The Unicode stand-ins for MSX characters, used when no MSX font is
// installed and as the code points of the project's own MSX fonts.

#include "render/MsxCharset.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace quillet;
using msx::CharacterSet;

namespace {

std::uint8_t byte(int code)
{
    return static_cast<std::uint8_t>(code);
}

// One row of the shared table of MSX characters (msx-charset.tsv beside
// the checkout): set, kind, code, chosen code point, and the alternative
// its notes give, if any.
struct SharedRow {
    std::string set;
    std::string kind;
    int code = 0;
    char32_t glyph = 0;
    std::optional<char32_t> alternative;
};

std::filesystem::path sharedTablePath()
{
    if (const char* path = std::getenv("QUILLET_CHARSET_TSV"))
        return path;
    return test::sourceDir().parent_path() / "shared" / "msx-charset.tsv";
}

char32_t codePoint(const std::string& text)
{
    return static_cast<char32_t>(std::stoul(text.substr(2), nullptr, 16));
}

std::vector<SharedRow> readSharedTable(const std::filesystem::path& path)
{
    std::istringstream in(test::readFile(path));
    std::vector<SharedRow> rows;
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream columns(line);
        for (std::string field; std::getline(columns, field, '\t');)
            fields.push_back(field);
        if (fields.size() < 7)
            continue;
        SharedRow row{fields[0], fields[1], std::stoi(fields[2], nullptr, 16), codePoint(fields[3]), std::nullopt};
        if (const auto at = fields[6].find("alt=U+"); at != std::string::npos)
            row.alternative = codePoint(fields[6].substr(at + 4));
        rows.push_back(row);
    }
    return rows;
}

char32_t glyphOf(CharacterSet set, const SharedRow& row)
{
    return row.kind == "graphic" ? msx::graphicGlyph(set, byte(row.code)) : msx::charGlyph(set, byte(row.code));
}

} // namespace

TEST(MsxCharset, KanaCardsAndYen)
{
    EXPECT_EQ(msx::charGlyph(0x5C), U'¥');
    EXPECT_EQ(msx::charGlyph(0x80), U'♠');
    EXPECT_EQ(msx::charGlyph(0x83), U'♦');
    EXPECT_EQ(msx::charGlyph(0x86), U'を');
    EXPECT_EQ(msx::charGlyph(0x91), U'あ');
    EXPECT_EQ(msx::charGlyph(0xE0), U'た');
    EXPECT_EQ(msx::charGlyph(0xFD), U'ん');
    // Katakana and kana punctuation keep to one cell.
    EXPECT_EQ(msx::charGlyph(0xA1), U'｡');
    EXPECT_EQ(msx::charGlyph(0xAD), U'ｭ');
    EXPECT_EQ(msx::charGlyph(0xB1), U'ｱ');
    EXPECT_EQ(msx::charGlyph(0xDD), U'ﾝ');
    EXPECT_EQ(msx::charGlyph(0xDE), U'ﾞ');
    EXPECT_EQ(msx::charGlyph(0xDF), U'ﾟ');
    EXPECT_EQ(msx::charGlyph(0xFF), U'█');
}

TEST(MsxCharset, PrintableAsciiIsItselfExceptTheYen)
{
    for (int code = 0x20; code < 0x7F; ++code) {
        if (code != 0x5C)
            EXPECT_EQ(msx::charGlyph(byte(code)), static_cast<char32_t>(code)) << code;
    }
    for (const CharacterSet set : {CharacterSet::International, CharacterSet::Brazilian}) {
        for (int code = 0x20; code < 0x7F; ++code)
            EXPECT_EQ(msx::charGlyph(set, byte(code)), static_cast<char32_t>(code)) << code;
    }
}

TEST(MsxCharset, TheOneArgumentFunctionsAreTheJapaneseSet)
{
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(msx::charGlyph(byte(code)), msx::charGlyph(CharacterSet::Japanese, byte(code))) << code;
        EXPECT_EQ(msx::graphicGlyph(byte(code)), msx::graphicGlyph(CharacterSet::Japanese, byte(code))) << code;
    }
}

TEST(MsxCharset, EveryCodeOfEverySetShowsSomethingDrawable)
{
    for (const CharacterSet set : msx::AllCharacterSets) {
        for (int code = 0; code < 256; ++code) {
            for (const char32_t c : {msx::charGlyph(set, byte(code)), msx::graphicGlyph(set, byte(code))}) {
                SCOPED_TRACE(std::string(msx::characterSetName(set)) + " " + std::to_string(code));
                EXPECT_GE(c, 0x20u);                     // no control character, no U+0000
                EXPECT_FALSE(c >= 0x7F && c < 0xA0);     // nor a C1 one
                EXPECT_FALSE(c >= 0xD800 && c < 0xE000); // nor a surrogate
                EXPECT_NE(c, 0xADu);                     // the soft hyphen is invisible
                EXPECT_LT(c, 0x20000u);
            }
        }
    }
}

TEST(MsxCharset, CodesShareAStandInOnlyWhenBlankOrTheCursor)
{
    // A font holds one glyph per code point, so two codes with one stand-in
    // look alike in it: right for blanks and the cursor slot, a slip
    // anywhere else.
    for (const CharacterSet set : msx::AllCharacterSets) {
        std::map<char32_t, std::vector<int>> codes;
        for (int code = 0; code < 256; ++code)
            codes[msx::charGlyph(set, byte(code))].push_back(code);
        for (const auto& [glyph, sharing] : codes) {
            if (sharing.size() < 2 || glyph == U' ' || glyph == U'\u3000')
                continue;
            EXPECT_EQ(glyph, U'█') << msx::characterSetName(set) << " " << sharing.front() << " " << sharing.back();
            EXPECT_EQ(sharing.back(), 0xFF) << msx::characterSetName(set);
            EXPECT_EQ(sharing.size(), 2u) << msx::characterSetName(set);
        }
    }
}

TEST(MsxCharset, GraphicCodesAreTheLowFontPositions)
{
    EXPECT_EQ(msx::graphicGlyph(0x40), U' ');
    EXPECT_EQ(msx::graphicGlyph(0x41), U'月');
    EXPECT_EQ(msx::graphicGlyph(0x47), U'日');
    EXPECT_EQ(msx::graphicGlyph(0x50), U'π');
    EXPECT_EQ(msx::graphicGlyph(0x57), U'─');
    EXPECT_EQ(msx::graphicGlyph(0x58), U'┌');
    EXPECT_EQ(msx::graphicGlyph(0x5C), U'╳');
    EXPECT_EQ(msx::graphicGlyph(0x5F), U'小');
    EXPECT_EQ(msx::graphicGlyph(CharacterSet::International, 0x41), U'☺');
    EXPECT_EQ(msx::graphicGlyph(CharacterSet::Brazilian, 0x5F), U'\U0001FBAF');
    // The text font carries the same glyphs at 0x01-0x1F.
    for (const CharacterSet set : msx::AllCharacterSets) {
        for (int position = 0; position < 32; ++position)
            EXPECT_EQ(msx::graphicGlyph(set, byte(msx::FirstGraphicCode + position)),
                      msx::charGlyph(set, byte(position)))
                << msx::characterSetName(set) << " " << position;
    }
    // Codes outside 0x40-0x5F keep the offset of 0x40.
    EXPECT_EQ(msx::graphicGlyph(0x0D), msx::charGlyph(0xCD));
    EXPECT_EQ(msx::graphicGlyph(0xAD), msx::charGlyph(0x6D));
    EXPECT_EQ(msx::graphicGlyph(0x00), msx::charGlyph(0xC0));
    EXPECT_EQ(msx::graphicGlyph(CharacterSet::Brazilian, 0xC4), msx::charGlyph(CharacterSet::Brazilian, 0x84));
}

TEST(MsxCharset, BrazilianHasEveryLetterOfPortuguese)
{
    std::set<char32_t> brazilian;
    std::set<char32_t> international;
    for (int code = 0; code < 256; ++code) {
        brazilian.insert(msx::charGlyph(CharacterSet::Brazilian, byte(code)));
        international.insert(msx::charGlyph(CharacterSet::International, byte(code)));
    }
    for (const char32_t letter : std::u32string_view(U"ÁÂÃÀÇÉÊÍÓÔÕÚÜáâãàçéêíóôõúü"))
        EXPECT_TRUE(brazilian.count(letter)) << static_cast<unsigned>(letter);
    // The European set lacks most of the capitals.
    for (const char32_t letter : std::u32string_view(U"ÁÂÀÊÍÓÔÚ"))
        EXPECT_FALSE(international.count(letter)) << static_cast<unsigned>(letter);
}

TEST(MsxCharset, InternationalIsTheSharedTable)
{
    const auto path = sharedTablePath();
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no shared character table at " << path;
    int rows = 0;
    for (const SharedRow& row : readSharedTable(path)) {
        if (row.set != "intl")
            continue;
        ++rows;
        EXPECT_EQ(glyphOf(CharacterSet::International, row), row.glyph) << row.kind << " " << row.code;
    }
    EXPECT_EQ(rows, 256 + 32);
}

TEST(MsxCharset, JapaneseIsTheSharedTableWithHalfwidthKatakana)
{
    // The shared table chooses full-width katakana and names the halfwidth
    // form as the alternative; ours keeps katakana to one cell.
    const auto path = sharedTablePath();
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no shared character table at " << path;
    int rows = 0;
    for (const SharedRow& row : readSharedTable(path)) {
        if (row.set != "jp")
            continue;
        ++rows;
        const char32_t ours = glyphOf(CharacterSet::Japanese, row);
        const bool halfwidthKana = row.kind == "char" && row.code >= 0xA1 && row.code <= 0xDF;
        if (halfwidthKana)
            EXPECT_EQ(std::optional<char32_t>(ours), row.alternative) << row.code;
        else
            EXPECT_EQ(ours, row.glyph) << row.kind << " " << row.code;
    }
    EXPECT_EQ(rows, 256 + 32);
}

TEST(MsxCharset, SetNamesRoundTrip)
{
    // The stored names are what the settings file keeps.
    EXPECT_EQ(msx::characterSetName(CharacterSet::Japanese), "Japanese");
    EXPECT_EQ(msx::characterSetName(CharacterSet::International), "International");
    EXPECT_EQ(msx::characterSetName(CharacterSet::Brazilian), "Brazilian");
    EXPECT_EQ(msx::characterSetShortName(CharacterSet::Japanese), "jp");
    EXPECT_EQ(msx::characterSetShortName(CharacterSet::International), "intl");
    EXPECT_EQ(msx::characterSetShortName(CharacterSet::Brazilian), "br");
    for (const CharacterSet set : msx::AllCharacterSets) {
        EXPECT_EQ(msx::characterSetFromName(msx::characterSetName(set)), set);
        EXPECT_EQ(msx::characterSetFromName(msx::characterSetShortName(set)), set);
    }
    EXPECT_EQ(msx::characterSetFromName("INTL"), CharacterSet::International);
    EXPECT_EQ(msx::characterSetFromName("brazilian"), CharacterSet::Brazilian);
    for (const char* wrong : {"", "j", "jpn", "Japan", "Japanese ", "international2", "pt"})
        EXPECT_EQ(msx::characterSetFromName(wrong), std::nullopt) << wrong;
}
