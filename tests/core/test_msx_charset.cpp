// The Unicode stand-ins for MSX characters, used when no MSX font is
// installed.

#include "render/MsxCharset.h"

#include <gtest/gtest.h>

using namespace quillet;

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
            EXPECT_EQ(msx::charGlyph(static_cast<std::uint8_t>(code)), static_cast<char32_t>(code)) << code;
    }
}

TEST(MsxCharset, EveryCodeShowsSomethingDrawable)
{
    for (int code = 0; code < 256; ++code) {
        for (const char32_t c :
             {msx::charGlyph(static_cast<std::uint8_t>(code)), msx::graphicGlyph(static_cast<std::uint8_t>(code))}) {
            EXPECT_GE(c, 0x20u) << code;                     // no control character
            EXPECT_FALSE(c >= 0x7F && c < 0xA0) << code;     // nor a C1 one
            EXPECT_FALSE(c >= 0xD800 && c < 0xE000) << code; // nor a surrogate
            EXPECT_NE(c, 0xADu) << code;                     // the soft hyphen is invisible
            EXPECT_LT(c, 0x20000u) << code;
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
    // The text font carries the same glyphs at 0x01-0x1F.
    EXPECT_EQ(msx::charGlyph(0x01), U'月');
    EXPECT_EQ(msx::charGlyph(0x1C), U'╳');
    // Codes outside 0x40-0x5F keep the offset of 0x40.
    EXPECT_EQ(msx::graphicGlyph(0x0D), msx::charGlyph(0xCD));
    EXPECT_EQ(msx::graphicGlyph(0xAD), msx::charGlyph(0x6D));
    EXPECT_EQ(msx::graphicGlyph(0x00), msx::charGlyph(0xC0));
}
