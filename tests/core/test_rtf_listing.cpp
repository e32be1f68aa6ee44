// SPDX-License-Identifier: MIT
// The RTF listing builder: escapes, the byte dispatch in both modes, the
// header, the closing and the line count.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "render/RtfListing.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

const std::string DefaultHeader = "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl"
                                  "{\\f0\\fnil\\fcharset2 MSX ROM 8dot;}{\\f1\\fnil\\fcharset2 MSX ROM Graph 8dot;}"
                                  "{\\f2\\fnil\\fcharset2 MSX ROM 8dot;}}\\f0\\fs24";

RtfListingOptions kanjiOptions()
{
    RtfListingOptions options;
    options.isAnkMode = false;
    options.fontCharset = 128;
    return options;
}

struct Built {
    std::string rtf;
    std::int64_t lines;
};

Built build(std::string_view listing, const RtfListingOptions& options = {})
{
    MemorySource source(listing);
    StringSink sink;
    const std::int64_t lines = writeRtfListing(source, sink, options);
    return {sink.str(), lines};
}

// The document between the header line and the closing "\par}" CR LF.
std::string bodyOf(const std::string& rtf)
{
    const std::size_t start = rtf.find("\r\n");
    const std::string closing = "\\par}\r\n";
    if (start == std::string::npos || rtf.size() < start + 2 + closing.size()
        || rtf.compare(rtf.size() - closing.size(), closing.size(), closing) != 0)
        return "<malformed>";
    return rtf.substr(start + 2, rtf.size() - closing.size() - start - 2);
}

} // namespace

TEST(RtfEscapes, TextBytesBecomeTwoUppercaseDigits)
{
    const RtfListingOptions ank;
    EXPECT_EQ(escapeRtfText(hexBytes("00 09 0C 1A 5C 7B 7D FF"), ank), "\\'00\\'09\\'0C\\'1A\\'5C\\'7B\\'7D\\'FF");
    EXPECT_EQ(escapeRtfText("", ank), "");
    EXPECT_EQ(escapeRtfGraphic(""), "");
    // The graphic escape treats no byte specially, 0xAD included.
    EXPECT_EQ(escapeRtfGraphic(hexBytes("0D AD 01 0a")), "\\f1\\'0D\\f0\\f1\\'AD\\f0\\f1\\'01\\f0\\f1\\'0A\\f0");
}

TEST(RtfEscapes, SmallYuGoesToFontTwoOnlyInAnkModeWithTheMappingOn)
{
    RtfListingOptions options;
    EXPECT_EQ(escapeRtfText("\xAD"
                            "A",
                            options),
              "\\f2\\'7F\\f0\\'41");
    options.mapCodeFrom0xAD = 32;
    EXPECT_EQ(escapeRtfText("\xAD", options), "\\f2\\'20\\f0");
    options.isMap0xAD = false;
    EXPECT_EQ(escapeRtfText("\xAD", options), "\\'AD");

    RtfListingOptions kanji = kanjiOptions();
    ASSERT_TRUE(kanji.isMap0xAD);
    EXPECT_EQ(escapeRtfText("\xAD", kanji), "\\'AD");
}

TEST(RtfEscapes, MappedCodeOutsideAByteIsHeldToTheByteRange)
{
    RtfListingOptions options;
    options.mapCodeFrom0xAD = 300;
    EXPECT_EQ(escapeRtfText("\xAD", options), "\\f2\\'FF\\f0");
    options.mapCodeFrom0xAD = -5;
    EXPECT_EQ(escapeRtfText("\xAD", options), "\\f2\\'00\\f0");
    options.mapCodeFrom0xAD = 255;
    EXPECT_EQ(mappedCodeFor0xAD(options), 255);
}

TEST(RtfHeader, DefaultSettingsNameTheThreeMsxFonts)
{
    EXPECT_EQ(rtfListingHeader(RtfListingOptions::fromSettings(Settings())), DefaultHeader);
}

TEST(RtfHeader, KanjiModeDeclaresTwoFontsWithTheKanjiNameInCodePage932)
{
    const std::string header = rtfListingHeader(kanjiOptions());
    EXPECT_EQ(header, "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl"
                      "{\\f0\\fnil\\fcharset128 \x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E;}"
                      "{\\f1\\fnil\\fcharset128 MSX ROM Graph 8dot;}}\\f0\\fs24");
}

TEST(RtfHeader, AnkModeDeclaresFontTwoEvenWithoutTheMapping)
{
    RtfListingOptions options;
    options.isMap0xAD = false;
    options.mapFontFrom0xAD = "Other";
    options.fontSize = 9;
    options.fontCharset = 0;
    const std::string header = rtfListingHeader(options);
    EXPECT_NE(header.find("{\\f2\\fnil\\fcharset0 Other;}"), std::string::npos) << header;
    EXPECT_TRUE(header.ends_with(";}}\\f0\\fs18")) << header;
    options.fontSize = 2147483647;
    EXPECT_TRUE(rtfListingHeader(options).ends_with("\\fs4294967294"));
}

TEST(RtfHeader, FontNamesCannotBreakTheGroupStructure)
{
    RtfListingOptions options;
    options.fontNameAnk = "a;b{c}d\\e";
    options.fontNameAnkGraph = "表示";   // 95 5C: trail byte reads as a backslash
    options.mapFontFrom0xAD = "ｱｲ€\x01"; // halfwidth kana, no euro in CP932, a control byte
    const std::string header = rtfListingHeader(options);
    EXPECT_NE(header.find("{\\f0\\fnil\\fcharset2 a;b\\{c\\}d\\\\e;}"), std::string::npos) << header;
    EXPECT_NE(header.find("{\\f1\\fnil\\fcharset2 \\'95\\'5C\x8E\xA6;}"), std::string::npos) << header;
    EXPECT_NE(header.find("{\\f2\\fnil\\fcharset2 \xB1\xB2\\u8364?\\'01;}"), std::string::npos) << header;
}

TEST(RtfHeader, NamesOutsideCodePage932UseUnicodeEscapes)
{
    RtfListingOptions options;
    options.fontNameAnk = "\xF0\x9F\x98\x80" // U+1F600, a surrogate pair in RTF
                          "\xFF"             // not UTF-8
                          "x";
    const std::string header = rtfListingHeader(options);
    EXPECT_NE(header.find("fcharset2 \\u-10179?\\u-8704?\\u-3?x;}"), std::string::npos) << header;
}

TEST(RtfDispatch, EachByteInBothModes)
{
    const RtfListingOptions ank;
    const RtfListingOptions kanji = kanjiOptions();
    struct Case {
        const char* hex;
        const char* ank;
        const char* kanji;
    } cases[] = {
        {"0A", "\\'0A", "\\'0A"},              // a raw LF of a string: shown, not dropped
        {"0D 41", "\\'0D\\'41", "\\'0D\\'41"}, // a raw CR of a string: shown, no line end
        {"01 41", "\\f1\\'41\\f0", "\\'41"},
        {"01 0D", "\\f1\\'0D\\f0", "\\'0D"}, // a graphic code, not a line end
        {"01 0A", "\\f1\\'0A\\f0", "\\'0A"},
        {"01 01 41", "\\f1\\'01\\f0\\'41", "\\'01\\'41"},
        {"01 AD", "\\f1\\'AD\\f0", "\\'AD"}, // the 0xAD mapping leaves graphic codes alone
        {"AD", "\\f2\\'7F\\f0", "\\'AD"},
        {"00 09 0C 1A", "\\'00\\'09\\'0C\\'1A", "\\'00\\'09\\'0C\\'1A"},
        {"82 A0", "\\'82\\'A0", "\\'82\\'A0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bodyOf(build(hexBytes(c.hex), ank).rtf), c.ank) << c.hex;
        EXPECT_EQ(bodyOf(build(hexBytes(c.hex), kanji).rtf), c.kanji) << c.hex;
    }
}

TEST(RtfDocumentShape, EmptyListingIsHeaderAndClosingWithOneLine)
{
    const Built built = build("");
    EXPECT_EQ(built.rtf, DefaultHeader + "\r\n\\par}\r\n");
    EXPECT_EQ(built.lines, 1);
}

TEST(RtfDocumentShape, EachListingLineIsOneFileLine)
{
    const std::string body = "\\'31\\'30\\'20\\'43\\'4C\\'53\\par\r\n"
                             "\\'32\\'30\\'20\\'45\\'4E\\'44";
    Built built = build("10 CLS\r\n20 END\r\n");
    EXPECT_EQ(built.rtf, DefaultHeader + "\r\n" + body + "\\par\r\n\\par}\r\n");
    EXPECT_EQ(built.lines, 2);

    // Without the last CR LF the closing follows on the same line.
    built = build("10 CLS\r\n20 END");
    EXPECT_EQ(built.rtf, DefaultHeader + "\r\n" + body + "\\par}\r\n");
    EXPECT_EQ(built.lines, 2);
}

TEST(RtfDocumentShape, LinesEndAtCrLfAndRawCrOrLfStayInTheirLine)
{
    struct Case {
        const char* hex;
        std::int64_t lines;
    } cases[] = {
        {"41 0D 0A 42 0D 0A", 2},
        {"41 0D 42 0D 0A", 1}, // a raw CR inside a string does not split the line
        {"41 0A 42 0A", 1},    // nor does a raw LF: LF alone is no line end
        {"41 0D 0A 42 0A 0D 0A", 2},
        {"41 0D", 1},          // a CR that ends the listing ends its line
        {"41 0D 0A 01", 2},    // a prefix at the end adds the last line
        {"41 0D 0A 01 0D", 2}, // so does a graphic pair, even with code 0D
        {"0D 0A", 1},
        {"0D 0D 0A", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(build(hexBytes(c.hex)).lines, c.lines) << c.hex;

    EXPECT_EQ(bodyOf(build(hexBytes("41 0A 42 0A")).rtf), "\\'41\\'0A\\'42\\'0A");
    // "10 PRINT "A<CR>B"" and the next line: two lines, the CR shown in its place.
    EXPECT_EQ(bodyOf(build(hexBytes("22 41 0D 42 22 0D 0A 43 0D 0A")).rtf),
              "\\'22\\'41\\'0D\\'42\\'22\\par\r\n\\'43\\par\r\n");
}

TEST(RtfDocumentShape, TrailingPrefixProducesNothing)
{
    EXPECT_EQ(bodyOf(build(hexBytes("41 01")).rtf), "\\'41");
    EXPECT_EQ(bodyOf(build(hexBytes("41 01"), kanjiOptions()).rtf), "\\'41");
}

TEST(RtfDocumentShape, ReadErrorEndsTheBodyAndTheDocumentIsStillClosed)
{
    FailingSource source("10 A\r\n20");
    StringSink sink;
    const std::int64_t lines = writeRtfListing(source, sink, {});
    EXPECT_TRUE(source.failed());
    EXPECT_EQ(bodyOf(sink.str()), "\\'31\\'30\\'20\\'41\\par\r\n\\'32\\'30");
    EXPECT_EQ(lines, 2);
}

TEST(RtfDocumentShape, SinkFailureReachesTheCaller)
{
    MemorySource source(std::string_view("10 A\r\n"));
    FailingSink sink;
    try {
        writeRtfListing(source, sink, {});
        FAIL() << "a failed write was taken for success";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::WriteFailed);
    }
}

TEST(RtfDocumentShape, LongListingCrossesTheWriteChunksIntact)
{
    std::string listing;
    for (int i = 0; i < 40000; ++i)
        listing += "10 \x01\x41\xAD\r\n";
    const Built built = build(listing);
    EXPECT_EQ(built.lines, 40000);
    std::string line = "\\'31\\'30\\'20\\f1\\'41\\f0\\f2\\'7F\\f0\\par\r\n";
    std::string expected = DefaultHeader + "\r\n";
    for (int i = 0; i < 40000; ++i)
        expected += line;
    expected += "\\par}\r\n";
    EXPECT_TRUE(built.rtf == expected);
}

// Fed as the listing is decoded, a pair or a CR LF may fall across two
// writes; the document must not change with where the pieces end.
TEST(RtfDocumentShape, ListingWrittenInPiecesOfAnySizeGivesTheSameDocument)
{
    const std::string listings[] = {
        hexBytes("31 30 20 41 01 41 AD 0D 0A 32 30 20 0D 42 0A 0D 0D 0A 01 0D 0A"),
        hexBytes("31 20 01 0D 0A 01"), // a pair whose code is CR, a prefix at the end
        hexBytes("31 20 41 0D"),       // a CR that ends the listing
        "",
    };
    for (const RtfListingOptions& options : {RtfListingOptions{}, kanjiOptions()}) {
        for (const std::string& listing : listings) {
            const Built whole = build(listing, options);
            for (std::size_t piece = 1; piece <= std::max<std::size_t>(listing.size(), 1); ++piece) {
                StringSink sink;
                RtfListingSink rtf(sink, options);
                for (std::size_t at = 0; at < listing.size(); at += piece)
                    rtf.write(std::string_view(listing).substr(at, piece));
                EXPECT_EQ(rtf.finish(), whole.lines) << piece;
                EXPECT_EQ(sink.str(), whole.rtf) << "pieces of " << piece << " bytes";
            }
        }
    }
}

namespace {

// One escape as the rules write it, formatted apart from the builder.
std::string hexEscape(std::string_view font, unsigned code)
{
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\'%02X", code);
    return font.empty() ? std::string(escape) : "\\f" + std::string(font) + escape + "\\f0";
}

std::string textEscape(unsigned byte, const RtfListingOptions& options)
{
    if (byte == 0xAD && options.isAnkMode && options.isMap0xAD)
        return hexEscape("2", mappedCodeFor0xAD(options));
    return hexEscape("", byte);
}

std::string bytes(std::initializer_list<unsigned> values)
{
    std::string text;
    for (unsigned value : values)
        text += static_cast<char>(value);
    return text;
}

} // namespace

// Every byte value on its own, as the code of a graphic pair and after a
// raw CR, under each setting that changes an escape.
TEST(RtfDispatch, EveryByteInEveryPlaceUnderEverySetting)
{
    RtfListingOptions unmapped;
    unmapped.isMap0xAD = false;
    RtfListingOptions otherCode;
    otherCode.mapCodeFrom0xAD = 0xAD;
    for (const RtfListingOptions& options : {RtfListingOptions{}, unmapped, otherCode, kanjiOptions()}) {
        SCOPED_TRACE(options.isAnkMode ? "ANK" : "Kanji");
        const std::string z = textEscape('Z', options);
        for (unsigned byte = 0; byte < 256; ++byte) {
            SCOPED_TRACE(byte);
            if (byte != 0x01 && byte != 0x0D)
                EXPECT_EQ(bodyOf(build(bytes({byte, 'Z'}), options).rtf), textEscape(byte, options) + z);
            const std::string graphic = options.isAnkMode ? hexEscape("1", byte) : textEscape(byte, options);
            EXPECT_EQ(bodyOf(build(bytes({0x01, byte, 'Z'}), options).rtf), graphic + z);
            if (byte != 0x01 && byte != 0x0D && byte != 0x0A)
                EXPECT_EQ(bodyOf(build(bytes({0x0D, byte, 'Z'}), options).rtf),
                          textEscape(0x0D, options) + textEscape(byte, options) + z);
        }
    }
}

// Pairs and CR LF falling on the builder's own block boundaries as well as
// on the writer's pieces.
TEST(RtfDocumentShape, EveryPairAcrossManyBlocksInAnyPiecesGivesTheSameDocument)
{
    std::string listing;
    while (listing.size() < 300000) {
        for (unsigned byte = 0; byte < 256; ++byte)
            listing += bytes({byte, 0x01, byte, 0x0D, byte, 0x0D, 0x0A});
        listing += 'x'; // shifts the next round against the blocks
    }
    for (const RtfListingOptions& options : {RtfListingOptions{}, kanjiOptions()}) {
        const Built whole = build(listing, options);
        for (std::size_t piece : {1u, 2u, 3u, 7u, 4093u, 65536u, 65537u}) {
            StringSink sink;
            RtfListingSink rtf(sink, options);
            for (std::size_t at = 0; at < listing.size(); at += piece)
                rtf.write(std::string_view(listing).substr(at, piece));
            EXPECT_EQ(rtf.finish(), whole.lines) << piece;
            EXPECT_TRUE(sink.str() == whole.rtf) << "pieces of " << piece << " bytes";
        }
    }
}

namespace {

// The body of a coloured RTF listing read back: each listing byte (a
// graphic code marked by `graphic`) with the \cf in force where it stands.
struct ColouredByte {
    std::uint8_t byte;
    bool graphic;
    int colour;
    friend bool operator==(const ColouredByte&, const ColouredByte&) = default;
};

std::vector<ColouredByte> colouredBytes(std::string_view body)
{
    std::vector<ColouredByte> bytes;
    int colour = 0, font = 0;
    for (std::size_t at = 0; at < body.size();) {
        if (body.substr(at, 2) == "\\'") {
            bytes.push_back({static_cast<std::uint8_t>(std::stoi(std::string(body.substr(at + 2, 2)), nullptr, 16)),
                             font == 1, colour});
            at += 4;
        } else if (body.substr(at, 3) == "\\cf" || body.substr(at, 2) == "\\f") {
            const std::size_t digits = at + (body[at + 1] == 'c' ? 3 : 2);
            std::size_t end = digits;
            while (end < body.size() && std::isdigit(static_cast<unsigned char>(body[end])))
                ++end;
            (body[at + 1] == 'c' ? colour : font) = std::stoi(std::string(body.substr(digits, end - digits)));
            at = end;
        } else if (body.substr(at, 6) == "\\par\r\n") {
            bytes.push_back({'\n', false, -1}); // in no colour of its own
            at += 6;
        } else {
            ADD_FAILURE() << "unexpected RTF at " << at << ": " << body.substr(at, 12);
            return bytes;
        }
    }
    return bytes;
}

} // namespace

// Each run of a role in the role's colour, by its number in the colour
// table; a graphic pair cut by a span's end stays whole, in the first
// span's colour; the MSX paper shades every paragraph.
TEST(RtfRoleColours, EachRunIsInItsRolesColourFromTheTable)
{
    RtfListingOptions options;
    RoleColourSet colours{};
    for (std::size_t role = 0; role < RoleCount; ++role)
        colours[role] = 0x100000 * static_cast<std::uint32_t>(role) + 0x0203;
    options.roleColours = colours;
    options.paperColour = MsxScreenBackground;

    // 10 PRINT<pair>"A":GOTO 20, the keyword's span ending inside the pair.
    const std::string first = "10 PRINT\x01\x41\"A\":GOTO 20";
    const std::vector<RoleSpan> firstRoles = {{0, 2, Role::LineNumber}, {3, 6, Role::Keyword},
                                              {10, 3, Role::String},    {13, 1, Role::Operator},
                                              {14, 4, Role::Keyword},   {19, 2, Role::LineReference}};
    const std::string second = "20 END";
    const std::vector<RoleSpan> secondRoles = {{0, 2, Role::LineNumber}, {3, 3, Role::Keyword}};
    StringSink sink;
    RtfListingSink rtf(sink, options);
    rtf.writeLine(first, firstRoles);
    rtf.writeLine(second, secondRoles);
    EXPECT_EQ(rtf.finish(), 2);

    const std::string& document = sink.str();
    std::string table = "{\\colortbl;";
    for (const std::uint32_t colour : colours)
        table += "\\red" + std::to_string(colour >> 16) + "\\green2\\blue3;";
    table += "\\red84\\green85\\blue237;}";
    const std::string header = document.substr(0, document.find("\r\n"));
    EXPECT_NE(header.find(table), std::string::npos) << header;
    EXPECT_TRUE(header.ends_with("\\f0\\fs24\\cbpat11")) << header;

    auto colourOf = [](Role role) { return static_cast<int>(role) + 1; };
    const int text = colourOf(Role::Text), number = colourOf(Role::LineNumber), keyword = colourOf(Role::Keyword);
    std::vector<ColouredByte> expected;
    auto add = [&](std::string_view bytes, int colour, bool graphic = false) {
        for (const char byte : bytes)
            expected.push_back({static_cast<std::uint8_t>(byte), graphic, colour});
    };
    add("10", number);
    add(" ", text);
    add("PRINT", keyword);
    add("A", keyword, true);
    add("\"A\"", colourOf(Role::String));
    add(":", colourOf(Role::Operator));
    add("GOTO", keyword);
    add(" ", text);
    add("20", colourOf(Role::LineReference));
    add("\n", -1);
    add("20", number);
    add(" ", text);
    add("END", keyword);
    add("\n", -1);
    EXPECT_EQ(colouredBytes(bodyOf(document)), expected);
}

// Without role colours a listing written line by line is the document the
// viewer's temporary file and --rtf have always had, whatever the roles.
TEST(RtfRoleColours, WithoutThemLinesGiveTheDocumentOfTheirBytes)
{
    std::vector<std::string> lines;
    for (unsigned byte = 0; byte < 256; ++byte)
        lines.push_back(bytes({'1', '0', ' ', byte, 0x01, byte, 0xAD, 'Z'}));
    const std::string sample = readFile(sourceDir() / "tests/data/sample.bas.listing");
    for (std::size_t at = 0, end; (end = sample.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(sample.substr(at, end - at));
    std::string listing;
    for (const std::string& line : lines)
        listing += line + "\r\n";
    const std::vector<RoleSpan> roles = {{0, 2, Role::LineNumber}, {3, 2, Role::Keyword}, {5, 3, Role::String}};

    RtfListingOptions paperOnly;
    paperOnly.paperColour = MsxScreenBackground;
    for (const RtfListingOptions& options : {RtfListingOptions{}, kanjiOptions(), paperOnly}) {
        const Built whole = build(listing, options);
        StringSink sink;
        RtfListingSink rtf(sink, options);
        for (const std::string& line : lines)
            rtf.writeLine(line, roles);
        EXPECT_EQ(rtf.finish(), whole.lines);
        EXPECT_TRUE(sink.str() == whole.rtf);
        EXPECT_EQ(sink.str().find("\\cf"), std::string::npos);
    }
}
