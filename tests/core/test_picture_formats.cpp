// SPDX-License-Identifier: MIT
// The picture formats beside BSAVE dumps: a paint program's compressed
// pictures (alone and as interlaced pairs), rectangles BASIC's COPY
// statement saved, and the names interlaced pages go by. Every input is
// made here.

#include "document/Kinds.h"
#include "document/Open.h"
#include "document/Picture.h"
#include "image/CopiedPicture.h"
#include "image/GraphSaurus.h"
#include "image/Yjk.h"
#include "support/TestSupport.h"
#include "tools/PictureGen.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace quillet;
using namespace quillet::test;

namespace {

// Files beside a picture, in memory.
class Beside final : public FileAccess {
public:
    bool isFile(const std::string&) const override { return false; }
    FilePtr open(const std::string& path) const override { throw QuilletError(ErrorKind::FileNotFound, path); }
    std::optional<std::string> readBeside(const std::string& path, std::size_t limit) const override
    {
        const auto found = files.find(path);
        if (found == files.end())
            return std::nullopt;
        return found->second.substr(0, limit);
    }
    std::map<std::string, std::string> files;
};

struct Read {
    DecodedPicture picture;
    std::vector<LeftOutCompanion> leftOut;
    int mode = 0;
};

Read readAs(const std::string& name, const std::string& file, const Beside* beside = nullptr, ModePolicy policy = {})
{
    Opened document = openBytes(name, file, beside);
    const PictureFile picture(document);
    auto converter = std::make_unique<BsaveConverter>();
    const int mode = picture.chooseMode(policy).mode;
    PictureResult result = picture.decode(mode, PictureRequest{}, *converter);
    return {result.picture, std::move(result.leftOut), mode};
}

// A SCREEN 7 or 8 screen of stripes and flat areas: lines of one byte,
// lines of every byte value, and lines of short runs.
std::string stripedScreen(std::size_t bytes)
{
    std::string vram(bytes, '\0');
    for (std::size_t a = 0; a < bytes; ++a) {
        const std::size_t line = a / 256;
        vram[a] = static_cast<char>(line % 3 == 0 ? line : line % 3 == 1 ? a : (a / 5) * 7);
    }
    return vram;
}

} // namespace

TEST(CompressedPicture, EveryRunFormUnpacksAndEveryDamageIsNamed)
{
    struct Case {
        const char* file;
        std::string unpacked; // or, when damaged, what the failure says
        bool damaged = false;
    };
    const Case cases[] = {
        {"FD 00 00  03 00  00 00   10 FF 7F", "\x10\xFF\x7F"},      // bytes of 16 and more are themselves
        {"FD 00 00  04 00  00 00   03 0A  01 20", "\x0A\x0A\x0A "}, // short runs, of bytes below 16 too
        {"FD 00 00  03 00  00 00   00 05 41", "AAAAA"},             // the long form
        {"FD 00 00  03 00  00 00   00 00 42", std::string(256, 'B')},
        {"FD 00 00  02 00  00 00   21 22  1A", "!\""},            // a byte more than the size is left
        {"FD 00 00  02 00  FF FF   21 02  43", "!CC"},            // a run's byte just past the size
        {"FD 00 00  00 00  00 00", ""},                           // nothing to unpack
        {"FD 00 00  04 00  00", "the header is cut short", true}, //
        {"FD 00 00  05 00  00 00   21 22", "the data is cut short (2 of 5 bytes)", true},
        {"FD 00 00  02 00  00 00   21 00", "a run is cut short at the end of the data", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = hexBytes(c.file);
        if (!c.damaged) {
            EXPECT_EQ(unpackCompressedPicture(file),
                      c.unpacked.empty() ? hexBytes("FE 00 00 00 00 00 00") : gen::bsaveFile(0, c.unpacked));
            continue;
        }
        try {
            unpackCompressedPicture(file);
            ADD_FAILURE() << "unpacked";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::DamagedPicture);
            EXPECT_EQ(error.detail(), std::string("compressed picture: ") + c.unpacked);
        }
    }
    // 512 long runs of 256 fill video memory; one byte more is past it.
    std::string full;
    for (int i = 0; i < 512; ++i)
        full += hexBytes("00 00 33");
    const auto sized = [](const std::string& data) {
        return hexBytes("FD 00 00")
               + std::string{static_cast<char>(data.size() & 0xFF), static_cast<char>(data.size() >> 8)}
               + hexBytes("00 00") + data;
    };
    EXPECT_EQ(unpackCompressedPicture(sized(full)).size(), BsaveHeaderBytes + 0x20000);
    for (const char* more : {"34", "01 34", "00 01 34"}) {
        try {
            unpackCompressedPicture(sized(full + hexBytes(more)));
            ADD_FAILURE() << more << " unpacked";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.detail(), "compressed picture: the data unpacks past 128 KB") << more;
        }
    }
}

// The compressed file and the uncompressed one of the same screen give the
// same picture, in each mode, with the palette file beside it; the viewer's
// door reads them as pictures, by their first byte.
TEST(CompressedPicture, ReadsAsTheSameScreenStoredRaw)
{
    struct Case {
        const char* name;
        int mode;
        std::size_t bytes;
    };
    const Case cases[] = {{"ART.SR5", 5, 0x6A00},
                          {"ART.SR7", 7, 0xD400},
                          {"ART.SR8", 8, 0xD400},
                          {"ART.SRA", 10, 0xD400},
                          {"ART.SRS", 12, 0xD400}};
    std::string palette = hexBytes("FE 00 00 1F 00 00 00");
    for (int n = 0; n < 16; ++n)
        palette += {static_cast<char>((7 - n / 2) << 4 | n / 2), static_cast<char>(n % 8)};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string vram = stripedScreen(c.bytes);
        Beside beside;
        beside.files["ART.PL5"] = beside.files["ART.PL7"] = palette;
        const std::string packed = gen::compressedPicture(vram, "\x1A");
        EXPECT_LT(packed.size(), vram.size() / 2);
        Opened document = openBytes(c.name, packed, &beside);
        EXPECT_EQ(document.head().kind, DocumentKind::GraphSaurusImage);
        EXPECT_TRUE(looksLikePicture(packed));
        const Read compressed = readAs(c.name, packed, &beside);
        const Read raw = readAs(c.name, gen::bsaveFile(0, vram), &beside);
        EXPECT_EQ(compressed.mode, c.mode);
        EXPECT_EQ(compressed.picture.width, raw.picture.width);
        EXPECT_EQ(compressed.picture.height, 212);
        EXPECT_EQ(compressed.picture.rgb, raw.picture.rgb);
        EXPECT_EQ(compressed.picture.indices, raw.picture.indices);
        EXPECT_TRUE(compressed.leftOut.empty());
        if (c.mode == 8) // line 1 is every byte value: the colour byte itself
            EXPECT_EQ(compressed.picture.pixel(7, 1), screen8Colour(static_cast<std::uint8_t>(256 + 7)));
    }
    // Damaged: a named failure, not a picture.
    EXPECT_THROW(readAs("ART.SR5", hexBytes("FD 00 00 40 00 00 00 21")), QuilletError);
}

TEST(CompressedPicture, InterlacedPagesOfEitherFormPair)
{
    const std::string even(0xD400, '\x11'), odd(0xD400, '\xEE');
    struct Case {
        const char* name;
        const char* partner;
        std::string page0, page1;
        std::vector<LeftOutCompanion> leftOut;
    };
    const std::string damaged = hexBytes("FD 00 00 09 00 00 00 21");
    const Case cases[] = {
        {"PIC.R70", "PIC.R71", gen::compressedPicture(even), gen::compressedPicture(odd), {}},
        {"pic.r71", "pic.r70", gen::compressedPicture(even), gen::compressedPicture(odd), {}},
        {"PIC.S70", "PIC.S71", gen::bsaveFile(0, even), gen::compressedPicture(odd), {}},
        {"PIC.R70",
         "PIC.R71",
         gen::compressedPicture(even),
         damaged,
         {{"PIC.R71", CompanionFault::Unreadable, ErrorKind::DamagedPicture}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Beside beside;
        const bool first = interlacedPageOfName(c.name) == 0;
        beside.files[c.partner] = first ? c.page1 : c.page0;
        const Read read = readAs(c.name, first ? c.page0 : c.page1, &beside);
        EXPECT_EQ(read.mode, 7);
        EXPECT_EQ(read.leftOut, c.leftOut);
        const bool paired = c.leftOut.empty();
        ASSERT_EQ(read.picture.height, paired ? 424 : 212);
        EXPECT_EQ(read.picture.indices[0], 1);
        EXPECT_EQ(read.picture.indices[512], paired ? 0xE : 1) << "the second line is page 1's first";
    }
}

// COPY pictures of each depth, told by name or by content alone, shown at
// their own size: 4 bits (SCREEN 5 and 7), 2 bits (SCREEN 6), 8 bits
// (SCREEN 8), and YJK groups cut short by the width.
TEST(CopiedPicture, EachDepthAtItsOwnSize)
{
    struct Case {
        const char* name;
        const char* file;
        int mode;
        int width, height;
        std::vector<std::uint8_t> indices; // rows top first; empty for YJK
    };
    const Case cases[] = {
        // 3 x 2 at 4 bits: 3 bytes, the rows not padded.
        {"BOX.GL5", "03 00 02 00  12 34 56", 5, 3, 2, {1, 2, 3, 4, 5, 6}},
        {"BOX.CP7", "03 00 02 00  12 34 56", 7, 3, 2, {1, 2, 3, 4, 5, 6}},
        // The length fits 4 bits only: SCREEN 5, whatever the name.
        {"BOX.DAT", "03 00 02 00  12 34 56", 5, 3, 2, {1, 2, 3, 4, 5, 6}},
        // One byte short: the last pixels are the background, colour 0.
        {"BOX.GL5", "03 00 02 00  12 34", 5, 3, 2, {1, 2, 3, 4, 0, 0}},
        // 5 x 1 at 2 bits, leftmost in bits 7 and 6.
        {"BAR.GL6", "05 00 01 00  1B C0", 6, 5, 1, {0, 1, 2, 3, 3}},
        // 2 x 2 at 8 bits: by name, and by length alone.
        {"DOT.GL8", "02 00 02 00  00 1C E3 FF", 8, 2, 2, {0x00, 0x1C, 0xE3, 0xFF}},
        {"DOT.CPY", "02 00 02 00  00 1C E3 FF", 8, 2, 2, {0x00, 0x1C, 0xE3, 0xFF}},
        {"DOT", "02 00 02 00  00 1C E3 FF", 8, 2, 2, {0x00, 0x1C, 0xE3, 0xFF}},
        // YJK, 6 x 1: the second group has two pixels, its missing bytes zero.
        {"SKY.GLS", "06 00 01 00  F9 F8 F8 F8  F9 F8", 12, 6, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = hexBytes(c.file);
        Opened document = openBytes(c.name, file);
        EXPECT_EQ(document.head().kind, DocumentKind::CopiedImage);
        EXPECT_TRUE(looksLikePicture(file));
        const Read read = readAs(c.name, file);
        EXPECT_EQ(read.mode, c.mode);
        ASSERT_EQ(read.picture.width, c.width);
        ASSERT_EQ(read.picture.height, c.height);
        EXPECT_EQ(read.picture.indices, c.indices);
        ASSERT_EQ(read.picture.rgb.size(), static_cast<std::size_t>(c.width * c.height * 3));
        if (c.indices.empty()) {
            // Y 31, K 1, J 0 for the whole group; Y 31, K 1, J 0 for the cut one.
            EXPECT_EQ(read.picture.pixel(0, 0), yjkColour(31, 0, 1));
            EXPECT_EQ(read.picture.pixel(5, 0), yjkColour(31, 0, 1));
        } else {
            for (int i = 0; i < c.width * c.height; ++i)
                EXPECT_EQ(read.picture.pixel(i % c.width, i / c.width), read.picture.colourTable[c.indices[i]]);
        }
    }
    // The setting decides between depths the length allows; a held mode
    // of another depth gives way to one the length fits.
    const std::string square = hexBytes("02 00 02 00  00 1C E3 FF");
    EXPECT_EQ(readAs("SQ.CPY", square, nullptr, {12, true}).mode, 12);
    EXPECT_EQ(readAs("SQ.CPY", square, nullptr, {5, false}).mode, 8);
    EXPECT_EQ(readAs("SQ.CPY", square, nullptr, {11, false}).mode, 11);
    // A screen's own name, as BASIC's COPY ... TO "IMG001.SC5" gives it,
    // says the mode before the setting does.
    const std::string box = hexBytes("03 00 02 00  12 34 56");
    EXPECT_EQ(readAs("IMG001.SC5", box, nullptr, {7, true}).mode, 5);
    EXPECT_EQ(readAs("IMG001.SC7", box, nullptr, {5, true}).mode, 7);
}

TEST(CopiedPicture, ToldByContentAndByName)
{
    struct Case {
        const char* name;
        const char* file;
        DocumentKind kind;
    };
    const Case cases[] = {
        {"A.GL5", "03 00 02 00  12 34 56", DocumentKind::CopiedImage},
        {"A.GL8", "03 00 02 00  12 34 56", DocumentKind::CopiedImage},       // content fits 4 bits
        {"A", "03 00 02 00  12 34 56 78", DocumentKind::CopiedImage},        // a byte more
        {"A", "03 00 02 00  12 34 56 78 9A BC DE F0", DocumentKind::Binary}, // fits no depth
        {"A", "00 02 01 00", DocumentKind::Binary},                          // 512 wide, no pixels
        {"A", "01 02 01 00", DocumentKind::Binary},                          // 513 wide
        {"A", "31 30 20 50 52", DocumentKind::AsciiText},
        {"A.SR5", "FD 00 00 01 00 00 00 21", DocumentKind::GraphSaurusImage},
    };
    for (const Case& c : cases) {
        const std::string file = hexBytes(c.file);
        EXPECT_EQ(documentKindOf(file, file.size(), c.name), c.kind) << c.name << ": " << c.file;
        EXPECT_EQ(looksLikePicture(file), c.kind != DocumentKind::Binary && c.kind != DocumentKind::AsciiText)
            << c.file;
    }
    // A compressed picture is claimed when its length fits its size word.
    EXPECT_FALSE(looksLikePicture(hexBytes("FD 00 00 02 00 00 00 21")));
    EXPECT_FALSE(looksLikePicture(hexBytes("FD 00 00 00 00 00 00")));
}

TEST(InterlacedNames, EveryNamingPairsBothWays)
{
    struct Case {
        const char* name;
        int page;
        int mode; // detectScreenModeFromPictureName
        std::vector<std::string> partners;
    };
    const Case cases[] = {
        {"A.S05", 0, 5, {"A.S15"}},
        {"A.S15", 1, 5, {"A.S05", "A.SC5"}},
        {"a.s1c", 1, 12, {"a.s0c", "a.scc"}},
        {"A.SC5", 0, 5, {"A.S15"}},
        {"A.SCA", 0, 10, {"A.S1A"}},
        {"A.S50", 0, 5, {"A.S51"}},
        {"a.s71", 1, 7, {"a.s70"}},
        {"A.SB0", 0, 11, {"A.SB1"}},
        {"A.R50", 0, 5, {"A.R51"}},
        {"A.RS1", 1, 12, {"A.RS0"}},
        {"A.RA0", 0, 10, {"A.RA1"}},
        {"A.SC1", -1, 1, {}}, // SCREEN 1, not page 1 of SCREEN 12
        {"A.SC0", -1, -1, {}},
        {"A.S10", -1, 10, {}},
        {"A.S11", -1, 11, {}},
        {"A.S12", -1, 12, {}},
        {"A.R52", -1, -1, {}},
        {"A.RB0", -1, -1, {}},
        {"A.S90", -1, -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(interlacedPageOfName(c.name), c.page);
        EXPECT_EQ(detectScreenModeFromPictureName(c.name), c.mode);
        EXPECT_EQ(interlacedPartnerNames(c.name), c.partners);
        for (const std::string& partner : c.partners) {
            EXPECT_EQ(interlacedPageOfName(partner), 1 - c.page) << partner;
            const std::vector<std::string> back = interlacedPartnerNames(partner);
            EXPECT_NE(std::find(back.begin(), back.end(), std::string(c.name)), back.end()) << partner;
        }
    }
    // A page-0 name with no other page beside it is a picture of its own,
    // told nothing; with one, a pair.
    const std::string page = gen::bsaveFile(0, std::string(0x6A00, '\x22'));
    Beside beside;
    const Read alone = readAs("A.SC5", page, &beside);
    EXPECT_EQ(alone.picture.height, 212);
    EXPECT_TRUE(alone.leftOut.empty());
    beside.files["A.S15"] = page;
    EXPECT_EQ(readAs("A.SC5", page, &beside).picture.height, 424);
    beside.files.clear();
    beside.files["A.SC5"] = page;
    EXPECT_EQ(readAs("A.S15", page, &beside).picture.height, 424);
}
