// SPDX-License-Identifier: MIT
// Listings as UTF-8 text: every byte its look-alike in the chosen set,
// graphic pairs their graphic look-alike, line ends and tabs kept, and
// nothing dropped; through quillet-convert --utf8 as users run it. And the
// way back, for the tokenizer.

#include "ConvertRunner.h"
#include "common/ByteStream.h"
#include "common/Errors.h"
#include "common/Utf8.h"
#include "render/MsxCharset.h"
#include "render/Utf8Listing.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

std::u32string utf8Of(std::string_view listing, msx::CharacterSet set)
{
    MemorySource source(listing);
    StringSink sink;
    writeUtf8Listing(source, sink, set);
    EXPECT_TRUE(isValidUtf8(sink.str()));
    return decodeUtf8(sink.str());
}

// Every byte but the line ends, the tab and the graphic prefix, then every
// graphic pair, then a line end.
std::string everyCode()
{
    std::string listing;
    for (int code = 0; code < 256; ++code) {
        if (code != '\r' && code != '\n' && code != '\t' && code != 0x01)
            listing += static_cast<char>(code);
    }
    for (int code = 0x40; code < 0x60; ++code) {
        listing += '\x01';
        listing += static_cast<char>(code);
    }
    return listing + "\r\n";
}

std::u32string expectedForEveryCode(msx::CharacterSet set)
{
    std::u32string expected;
    for (int code = 0; code < 256; ++code) {
        if (code != '\r' && code != '\n' && code != '\t' && code != 0x01)
            expected += msx::charGlyph(set, static_cast<std::uint8_t>(code));
    }
    for (int code = 0x40; code < 0x60; ++code)
        expected += msx::graphicGlyph(set, static_cast<std::uint8_t>(code));
    return expected + U"\r\n";
}

} // namespace

TEST(Utf8Listing, EveryCodeOfEverySetIsItsLookAlike)
{
    for (const msx::CharacterSet set : msx::AllCharacterSets) {
        const std::u32string text = utf8Of(everyCode(), set);
        EXPECT_EQ(text, expectedForEveryCode(set)) << msx::characterSetName(set);
        for (const char32_t c : text.substr(0, text.size() - 2))
            EXPECT_GE(c, U' ') << "no control character reaches the text";
    }
    // The sets differ where the machines do.
    EXPECT_NE(utf8Of("\x80", msx::CharacterSet::Japanese), utf8Of("\x80", msx::CharacterSet::International));
    EXPECT_EQ(utf8Of("\\", msx::CharacterSet::Japanese), U"\u00A5") << "the yen sign of Japanese machines";
    EXPECT_EQ(utf8Of("\\", msx::CharacterSet::International), U"\\");
}

TEST(Utf8Listing, LinesTabsAndStrayGraphicPrefixesSurvive)
{
    const auto jp = msx::CharacterSet::Japanese;
    EXPECT_EQ(utf8Of("10 A\tB\r\n20 C\n", jp), U"10 A\tB\r\n20 C\n");
    EXPECT_EQ(utf8Of("", jp), U"");
    // 0x01 before a non-graphic byte, before a line end, and at the very end.
    const char32_t prefix = msx::charGlyph(jp, 0x01);
    EXPECT_EQ(utf8Of("\x01"
                     "A",
                     jp),
              std::u32string{msx::graphicGlyph(jp, 'A')});
    EXPECT_EQ(utf8Of("\x01"
                     "a",
                     jp),
              (std::u32string{prefix, U'a'}));
    EXPECT_EQ(utf8Of("\x01\r\n", jp), (std::u32string{prefix, U'\r', U'\n'}));
    EXPECT_EQ(utf8Of("\x01\x01"
                     "B",
                     jp),
              (std::u32string{prefix, msx::graphicGlyph(jp, 'B')}));
    EXPECT_EQ(utf8Of("X\x01", jp), (std::u32string{U'X', prefix}));
}

// Fed as the listing is decoded, a graphic pair may fall across two writes.
TEST(Utf8Listing, ListingWrittenInPiecesOfAnySizeGivesTheSameText)
{
    const auto jp = msx::CharacterSet::Japanese;
    const std::string listing = "10 \x01"
                                "A\x01\x01"
                                "B\x01"
                                "a\xAD\t\r\n20 \x01";
    MemorySource source(listing);
    StringSink whole;
    writeUtf8Listing(source, whole, jp);
    for (std::size_t piece = 1; piece <= listing.size(); ++piece) {
        StringSink sink;
        Utf8ListingSink text(sink, jp);
        for (std::size_t at = 0; at < listing.size(); at += piece)
            text.write(std::string_view(listing).substr(at, piece));
        text.finish();
        EXPECT_EQ(sink.str(), whole.str()) << "pieces of " << piece << " bytes";
    }
}

TEST(Utf8Listing, ConvertWritesTheTextForEachSet)
{
    ScratchDir dir;
    // A tokenized program with kana, a graphic character and a yen sign.
    writeFile(dir / "prog.bas", std::string("\xFF\x0E\x80\x0A\x00\x91 \"\xB1\x01\x58\\\"\x00\x00\x00", 16));
    const std::string listing = "10 PRINT \"\xB1\x01\x58\\\"\r\n";
    for (const auto& [name, set] :
         {std::pair{"jp", msx::CharacterSet::Japanese}, std::pair{"intl", msx::CharacterSet::International},
          std::pair{"br", msx::CharacterSet::Brazilian}}) {
        const fs::path out = dir / (std::string(name) + ".txt");
        ASSERT_EQ(runConvert({"--utf8", "--charset", name, (dir / "prog.bas").string(), out.string()}).status,
                  cli::ExitOk)
            << name;
        MemorySource source(listing);
        StringSink expected;
        writeUtf8Listing(source, expected, set);
        EXPECT_EQ(readFile(out), expected.str()) << name;
    }
    const fs::path plain = dir / "default.txt";
    ASSERT_EQ(runConvert({"--utf8", (dir / "prog.bas").string(), plain.string()}).status, cli::ExitOk);
    EXPECT_EQ(readFile(plain), readFile(dir / "jp.txt")) << "Japanese unless told";

    EXPECT_EQ(runConvert({"--utf8", "--charset", "fr", (dir / "prog.bas").string()}).status, cli::ExitUsage);
    EXPECT_EQ(runConvert({"--charset", "jp", (dir / "prog.bas").string()}).status, cli::ExitUsage);
    EXPECT_EQ(runConvert({"--utf8", "--rtf", (dir / "prog.bas").string()}).status, cli::ExitUsage);
    writeFile(dir / "pic.sc5", std::string("\xFE\0\0\0\0\0\0", 7));
    EXPECT_EQ(runConvert({"--utf8", (dir / "pic.sc5").string(), (dir / "x").string()}).status, cli::ExitFailed);
}

namespace {

std::string writtenThenRead(std::string_view listing, msx::CharacterSet set)
{
    MemorySource source(listing);
    StringSink text;
    writeUtf8Listing(source, text, set);
    return readUtf8Listing(text.str(), set);
}

std::string readError(std::string_view text, msx::CharacterSet set)
{
    try {
        readUtf8Listing(text, set);
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::BadListing);
        return error.what();
    }
    return {};
}

} // namespace

TEST(Utf8Listing, ReadingBackGivesEveryCodeButThoseThatShareAGlyph)
{
    for (const msx::CharacterSet set : msx::AllCharacterSets) {
        // The codes whose glyph another code has too come back as the
        // lowest of them: the blank for 0x00 (and 0x7F on Japanese
        // machines), 0x90 for the Japanese blanks 0xA0 and 0xFE, 0xDB for
        // the International and Brazilian cursor block 0xFF; a control code
        // comes back as the graphic character drawn the same.
        std::string expected;
        for (int code = 0; code < 256; ++code) {
            if (code == '\r' || code == '\n' || code == '\t' || code == 0x01)
                continue;
            const bool japanese = set == msx::CharacterSet::Japanese;
            if (code == 0x00 || (japanese && code == 0x7F))
                expected += ' ';
            else if (code < 0x20)
                expected += {'\x01', static_cast<char>(code + 0x40)};
            else if (japanese && (code == 0xA0 || code == 0xFE))
                expected += '\x90';
            else if (!japanese && code == 0xFF)
                expected += '\xDB';
            else
                expected += static_cast<char>(code);
        }
        expected += ' '; // the graphic 0x40 is a blank glyph
        for (int code = 0x41; code < 0x60; ++code)
            expected += {'\x01', static_cast<char>(code)};
        expected += "\r\n";
        EXPECT_EQ(writtenThenRead(everyCode(), set), expected) << msx::characterSetName(set);
    }
}

TEST(Utf8Listing, ReadingTypedTextAndRefusingWhatNoSetHas)
{
    const auto jp = msx::CharacterSet::Japanese;
    const auto intl = msx::CharacterSet::International;
    EXPECT_EQ(readUtf8Listing("10 PRINT \"\uFF71\u00A5\\\"\r\n", jp), "10 PRINT \"\xB1\\\\\"\r\n")
        << "kana, the yen sign and a typed backslash";
    EXPECT_EQ(readUtf8Listing("\uFEFF10 REM \u00C7\u00E9\n", intl), "10 REM \x80\x82\n") << "a byte order mark";
    EXPECT_EQ(readUtf8Listing("10 REM \u2514\r\n\u2514", jp), "10 REM \x01\x5A\r\n\x1A")
        << "the end mark after the last line";
    EXPECT_EQ(readUtf8Listing("\u2514\u2514", jp), "\x01\x5A\x01\x5A");

    const std::string unknown = readError("10 END\r\n20 REM \u00E9\r\n", jp);
    EXPECT_NE(unknown.find("text line 2"), std::string::npos) << unknown;
    EXPECT_NE(unknown.find("U+00E9"), std::string::npos) << unknown;
    EXPECT_NE(unknown.find("Japanese"), std::string::npos) << unknown;
    const std::string malformed = readError("10 END\r20 END\r30 REM \xC3\r\n", intl);
    EXPECT_NE(malformed.find("text line 3"), std::string::npos) << malformed;
    EXPECT_NE(malformed.find("UTF-8"), std::string::npos) << malformed;
    EXPECT_EQ(readError("10 REM \U0001FB82\n", intl), "") << "a look-alike past the basic plane";
}

// Every byte value after a graphic prefix, in every set, whole and with
// the pair split across two writes.
TEST(Utf8Listing, EveryByteAfterThePrefixInEverySet)
{
    for (const msx::CharacterSet set : msx::AllCharacterSets) {
        SCOPED_TRACE(msx::characterSetName(set));
        const char32_t prefix = msx::charGlyph(set, 0x01);
        const char32_t z = msx::charGlyph(set, 'z');
        for (int code = 0; code < 256; ++code) {
            SCOPED_TRACE(code);
            const auto byte = static_cast<std::uint8_t>(code);
            std::u32string expected;
            if (code >= 0x40 && code < 0x60)
                expected = {msx::graphicGlyph(set, byte)};
            else if (code == '\r' || code == '\n' || code == '\t')
                expected = {prefix, static_cast<char32_t>(code)};
            else
                expected = {prefix, msx::charGlyph(set, byte)};
            expected += z;
            const std::string listing = {'\x01', static_cast<char>(byte), 'z'};
            EXPECT_EQ(utf8Of(listing, set), expected);

            StringSink split;
            Utf8ListingSink text(split, set);
            text.write(std::string_view(listing).substr(0, 1));
            text.write(std::string_view(listing).substr(1));
            text.finish();
            EXPECT_EQ(decodeUtf8(split.str()), expected);
        }
    }
}

// Pairs falling on the sink's own block boundaries as well as on the
// writer's pieces.
TEST(Utf8Listing, EveryPairAcrossManyBlocksInAnyPiecesGivesTheSameText)
{
    std::string listing;
    while (listing.size() < 300000) {
        for (int code = 0; code < 256; ++code)
            listing += {static_cast<char>(code), '\x01', static_cast<char>(code)};
        listing += 'x'; // shifts the next round against the blocks
    }
    for (const msx::CharacterSet set : msx::AllCharacterSets) {
        MemorySource source(listing);
        StringSink whole;
        writeUtf8Listing(source, whole, set);
        for (std::size_t piece : {1u, 2u, 3u, 4093u, 65536u, 65537u}) {
            StringSink sink;
            Utf8ListingSink text(sink, set);
            for (std::size_t at = 0; at < listing.size(); at += piece)
                text.write(std::string_view(listing).substr(at, piece));
            text.finish();
            EXPECT_TRUE(sink.str() == whole.str()) << msx::characterSetName(set) << ", pieces of " << piece;
        }
    }
}
