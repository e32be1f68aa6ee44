// SPDX-License-Identifier: MIT
// Code-page conversions behind the RTF font table and the RTF reader.

#include "render/CodePage.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

std::u32string decode(int codePage, std::string_view bytes)
{
    CodePageDecoder decoder(codePage);
    std::u32string out;
    decoder.decode(bytes, out);
    return out;
}

} // namespace

TEST(CodePage, ShiftJisPairsAndBrokenBytes)
{
    EXPECT_EQ(decode(932, "A\x82\xA0\xB1\x95\x5C"), U"Aあｱ表");
    // A lead byte without its trail, at the end and before a CR.
    EXPECT_EQ(decode(932, "\x82"), U"\uFFFD");
    EXPECT_EQ(decode(932, "\x82\r"), U"\uFFFD\r");
    // Undefined single bytes, one replacement each, the rest still read.
    EXPECT_EQ(decode(932, "\xA0"
                          "B\xFD"),
              U"\uFFFDB\uFFFD");
    // The converter is reused; a broken run leaves no state behind.
    CodePageDecoder decoder(932);
    std::u32string out;
    decoder.decode("\x82", out);
    decoder.decode("\xA0", out);
    EXPECT_EQ(out, U"\uFFFD\uFFFD");
}

TEST(CodePage, OtherCodePagesAndUnknownOnes)
{
    EXPECT_EQ(decode(1252, "\x80\xE9"), U"€é");
    EXPECT_EQ(decode(99999, "\x80\xE9"), U"\u0080\u00E9"); // no converter: Latin-1
    EXPECT_EQ(decode(932, ""), U"");
    // ASCII, which these keep as it is, goes without a converter, and reads
    // as the converter reads it where a byte past it opens one.
    std::string ascii;
    for (char c = 1; c < 0x7F; ++c)
        ascii += c;
    const std::u32string asText(ascii.begin(), ascii.end());
    for (const int codePage : {932, 1252, 10000, 20127, 28591, 65001}) {
        EXPECT_EQ(decode(codePage, ascii), asText) << codePage;
        EXPECT_EQ(decode(codePage, ascii + "\xC0").substr(0, ascii.size()), asText) << codePage;
    }
    CodePageDecoder decoder(932);
    std::u32string out;
    decoder.decode("MS ", out);
    decoder.decode("\x83\x53", out);
    EXPECT_EQ(out, U"MS ゴ");
    // Longer than one conversion buffer.
    std::string large;
    for (int i = 0; i < 50000; ++i)
        large += "\x82\xA0";
    EXPECT_EQ(decode(932, large), std::u32string(50000, U'あ'));
}

TEST(CodePage, Utf8BothWays)
{
    EXPECT_EQ(decodeUtf8("aé漢\xF0\x9F\x98\x80"), U"aé漢😀");
    // Malformed: a stray continuation, an overlong form, a surrogate, a cut sequence.
    EXPECT_EQ(decodeUtf8("\x80"
                         "a\xC0\xAF"
                         "b\xED\xA0\x80"
                         "c\xE6\xBC"),
              U"\uFFFDa\uFFFD\uFFFDb\uFFFD\uFFFD\uFFFDc\uFFFD\uFFFD");
    std::string out;
    for (const char32_t c : {U'a', U'é', U'漢', U'😀', char32_t(0xD800), char32_t(0x110000)})
        appendUtf8(out, c);
    EXPECT_EQ(out, "aé漢😀\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(CodePage, FontNamesForTheFontTable)
{
    EXPECT_EQ(rtfFontNameCp932("MSX ROM 8dot"), "MSX ROM 8dot");
    EXPECT_EQ(rtfFontNameCp932("ＭＳ ゴシック"), "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E");
    EXPECT_EQ(rtfFontNameCp932("{x}\\"), "\\{x\\}\\\\");
    EXPECT_EQ(rtfFontNameCp932("ソ"), "\\'83\\'5C"); // trail byte 5C
    EXPECT_EQ(rtfFontNameCp932("\t\x7F"), "\\'09\\'7F");
    EXPECT_EQ(rtfFontNameCp932("한"), "\\u-10916?");
    EXPECT_EQ(rtfFontNameCp932(""), "");
}
