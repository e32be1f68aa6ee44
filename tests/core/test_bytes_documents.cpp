// SPDX-License-Identifier: MIT
// Files that are neither listing nor picture: which files they are, their
// hex view, and what quillet-convert does with them alone, in a disk image
// and in a batch.

#include "ConvertRunner.h"
#include "container/Container.h"
#include "document/HexView.h"
#include "document/ListedLines.h"
#include "document/Open.h"
#include "document/Picture.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"
#include "tools/PictureGen.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

// BSAVE "GAME.BIN",&HC000,&HC012,&HC000: 19 bytes of machine code.
const std::string MachineCode = hexBytes(R"(
    FE 00 C0 12 C0 00 C0                              # start C000, end C012, run at C000
    F3 21 00 C0 CD 5A 01 C9 41 42 43 00 FF 80 A0 20   # DI, LD HL,C000, CALL 015A, RET, ...
    31 32 33
)");
// The start of a cartridge ROM: "AB", the INIT address, zeros.
const std::string Rom = hexBytes("41 42 10 40 00 00 00 00 00 00 00 00 00 00 00 00 C9 7F");

std::string hexViewOf(const std::string& name, const std::string& bytes)
{
    Opened document = openBytes(name, bytes);
    StringSink out;
    writeListing(document.head(), document.rest(), out, ListingOptions{});
    return out.str();
}

} // namespace

TEST(BytesDocuments, FilesAreToldByTheirContentAndName)
{
    const auto text = [](std::string_view s) { return std::string(s); };
    struct Row {
        const char* what;
        std::string name;
        std::string bytes;
        DocumentKind kind;
        MemberKind member;
    };
    const Row rows[] = {
        {"machine code at C000", "GAME.BIN", MachineCode, DocumentKind::BsaveBinary, MemberKind::BsaveBinary},
        {"the same named as a picture", "GAME.SC5", MachineCode, DocumentKind::BsaveImage, MemberKind::Bsave},
        {"a table at 9000", "DATA", gen::bsaveFile(0x9000, std::string(0x300, 'U')), DocumentKind::BsaveBinary,
         MemberKind::BsaveBinary},
        {"a screen dump from 0", "TITLE.BIN", gen::bsaveFile(0, std::string(0x6A00, 'U')), DocumentKind::BsaveImage,
         MemberKind::Bsave},
        {"a SCREEN 5 palette alone", "PAL.BIN", gen::bsaveFile(0x7680, std::string(32, 'U')), DocumentKind::BsaveImage,
         MemberKind::Bsave},
        {"a table below 8000 fitting no layout", "CODE.BIN", gen::bsaveFile(0x0040, std::string(0x1000, 'U')),
         DocumentKind::BsaveBinary, MemberKind::BsaveBinary},
        {"a listing with a stray control code", "GAME.ASC", text("10 PRINT \"\x07\"\r\n20 END\r\n"),
         DocumentKind::AsciiText, MemberKind::Text},
        {"a listing padded with NULs after its end mark", "GAME.ASC", text("10 END\r\n\x1A") + std::string(100, '\0'),
         DocumentKind::AsciiText, MemberKind::Text},
        {"a ROM", "GAME.ROM", Rom, DocumentKind::Binary, MemberKind::Other},
        {"an MSX-DOS program", "RUN.COM", hexBytes("C3 10 01 0E 09 11 20 01 CD 05 00 C9 1B 5B 32 4A"),
         DocumentKind::Binary, MemberKind::Other},
        {"NULs", "ZERO", std::string(256, '\0'), DocumentKind::Binary, MemberKind::Other},
        {"an empty file", "EMPTY", "", DocumentKind::AsciiText, MemberKind::Text},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(documentKindOf(row.bytes, row.bytes.size(), row.name), row.kind);
        EXPECT_EQ(openBytes(row.name, row.bytes).head().kind, row.kind) << "the door tells it the same";
        EXPECT_EQ(memberKindOf(row.bytes, row.name), row.member);
    }
    EXPECT_EQ(memberKindName(MemberKind::BsaveBinary), "BSAVE binary");
}

TEST(BytesDocuments, HexViewShowsTheHeaderAndEveryByteInAlignedColumns)
{
    const std::string padTo3 = std::string(42, ' ');
    const std::string padTo2 = std::string(45, ' ');
    const std::string bsaveHeader = "BSAVE binary\r\n"
                                    "Start address      &HC000\r\n"
                                    "End address        &HC012\r\n"
                                    "Execution address  &HC000\r\n"
                                    "Length             19 bytes (&H0013)\r\n"
                                    "\r\n";
    const std::string firstLine = "C000  F3 21 00 C0 CD 5A 01 C9  41 42 43 00 FF 80 A0 20  "
                                  "\xF3!.\xC0\xCD"
                                  "Z.\xC9"
                                  "ABC.\xFF\x80\xA0 \r\n";
    const struct {
        const char* what;
        std::string name;
        std::string bytes;
        std::string view;
    } rows[] = {
        {"machine code", "GAME.BIN", MachineCode, bsaveHeader + firstLine + "C010  31 32 33" + padTo3 + "123\r\n"},
        {"machine code cut short", "GAME.BIN", MachineCode.substr(0, 10),
         bsaveHeader + "C000  F3 21 00" + padTo3
             + "\xF3!.\r\n\r\nThe file ends 16 bytes (&H0010) before the end address.\r\n"},
        {"a byte past the end address", "GAME.BIN", MachineCode + "\x1A",
         bsaveHeader + firstLine + "C010  31 32 33 1A" + std::string(39, ' ')
             + "123.\r\n\r\nThe file holds 1 byte (&H0001) past the end address.\r\n"},
        {"a ROM", "GAME.ROM", Rom,
         "Binary file\r\n\r\n"
         "000000  41 42 10 40 00 00 00 00  00 00 00 00 00 00 00 00  AB.@............\r\n"
         "000010  C9 7F"
             + padTo2 + "\xC9.\r\n\r\nLength             18 bytes (&H0012)\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(hexViewOf(row.name, row.bytes), row.view);
        // The lines the page and the cross-reference walk are the same,
        // with no number and no roles.
        Opened document = openBytes(row.name, row.bytes);
        std::string walked;
        forEachListedLine(document.head(), document.rest(), ListingOptions{}, [&](const ListedLine& line) {
            EXPECT_FALSE(line.number);
            EXPECT_TRUE(line.roles.empty());
            walked += std::string(line.text) + "\r\n";
        });
        EXPECT_EQ(walked, row.view);
    }

    // A file of any length, read in pieces: a line for every 16 bytes, the
    // addresses counting on past the 64 KB an address holds.
    std::string big(0x12345, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    const std::string view = hexViewOf("BIG.DAT", big);
    EXPECT_EQ(std::count(view.begin(), view.end(), '\n'), 2 + 0x1235 + 2);
    EXPECT_NE(view.find("\r\n012340  C0 C7 CE D5 DC "), std::string::npos);
    EXPECT_NE(view.find("Length             74565 bytes (&H12345)"), std::string::npos);
}

TEST(BytesDocuments, PicturesAskedOfThemAreRefusedSayingWhatTheyAre)
{
    for (const auto& [name, bytes, cause] :
         {std::tuple<const char*, std::string, const char*>{"GAME.BIN", MachineCode,
                                                            "it is a BSAVE binary, saved from memory no screen shows"},
          {"GAME.ROM", Rom, "it is a binary file"}}) {
        Opened document = openBytes(name, bytes);
        try {
            requirePicture(document);
            ADD_FAILURE() << name;
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::NotAPicture);
            EXPECT_EQ(error.detail(), cause);
        }
    }
}

TEST(BytesDocuments, ConvertShowsThemAsHexViewsListsThemAndExtractsThemAsTheyAre)
{
    ScratchDir dir;
    FatImageBuilder disk(FatLayout::doubleSided720k());
    disk.addFile("", "GAME.BIN", MachineCode);
    disk.addFile("", "GAME.ROM", Rom);
    disk.addFile("", "TITLE.SC7", hexBytes("FE 00 00 03 00 00 00 11 22 33 44"));
    const std::string image = (dir / "disk.dsk").string();
    writeFile(image, disk.bytes());

    const ConvertResult list = runConvert({"--list", image});
    ASSERT_EQ(list.status, cli::ExitOk) << list.err;
    EXPECT_EQ(list.out, "GAME.BIN\t26\tBSAVE binary\nGAME.ROM\t18\tother\nTITLE.SC7\t11\tbsave\n");

    const ConvertResult extract = runConvert({"--extract-all", image, (dir / "out").string()});
    ASSERT_EQ(extract.status, cli::ExitOk) << extract.err;
    EXPECT_EQ(namesIn(dir / "out"), (std::vector<std::string>{"GAME.BIN", "GAME.ROM", "TITLE.SC7", "TITLE.png"}));
    EXPECT_EQ(readFile(dir / "out" / "GAME.BIN"), MachineCode);
    EXPECT_EQ(readFile(dir / "out" / "GAME.ROM"), Rom);

    // Alone or as a member, the default output is the hex view, and every
    // listing form takes it.
    const ConvertResult shown = runConvert({image + "::GAME.BIN", (dir / "game.asc").string()});
    ASSERT_EQ(shown.status, cli::ExitOk) << shown.err;
    EXPECT_EQ(readFile(dir / "game.asc"), hexViewOf("GAME.BIN", MachineCode));
    const ConvertResult utf8 = runConvert({"--utf8", image + "::GAME.ROM", (dir / "rom.txt").string()});
    ASSERT_EQ(utf8.status, cli::ExitOk) << utf8.err;
    EXPECT_EQ(readFile(dir / "rom.txt").substr(0, 13), "Binary file\r\n");

    // Whatever else is asked of them is refused, naming what they are.
    writeFile(dir / "GAME.BIN", MachineCode);
    const std::string game = (dir / "GAME.BIN").string();
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{game, (dir / "game.png").string()}, "not an MSX picture: it is a BSAVE binary"},
        {{"--png", game}, "not an MSX picture: it is a BSAVE binary"},
        {{"--screen", "5", game}, "not an MSX picture: it is a BSAVE binary"},
        {{"--png", image + "::GAME.ROM"}, "not an MSX picture: it is a binary file"},
        {{"--tokenize", game}, "--tokenize takes a listing, not a binary file"},
        {{"--xref", game}, "--xref takes a program or a listing, not a BSAVE binary file"},
        {{"--check", image + "::GAME.ROM"}, "--check takes a program or a listing, not a binary file"},
    };
    for (const auto& [args, message] : refused) {
        SCOPED_TRACE(args.front());
        const ConvertResult run = runConvert(args);
        EXPECT_EQ(run.status, cli::ExitFailed);
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(dir / "game.png"));

    // A batch names a hex view as one.
    const ConvertResult batch = runConvert({"--output-dir", (dir / "batch").string(), game, image + "::TITLE.SC7"});
    ASSERT_EQ(batch.status, cli::ExitOk) << batch.err;
    EXPECT_EQ(namesIn(dir / "batch"), (std::vector<std::string>{"GAME.hex.asc", "TITLE.bmp"}));
    EXPECT_EQ(readFile(dir / "batch" / "GAME.hex.asc"), hexViewOf("GAME.BIN", MachineCode));
}
