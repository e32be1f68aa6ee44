// SPDX-License-Identifier: MIT
// Archives written by libarchive's own writer inside each test (an LZH
// archive, which it cannot write, from its header layout by hand), read
// back through the container API; archives inside archives and disk
// images; the size limit; damaged archives.

#include "common/Errors.h"
#include "common/Modules.h"
#include "container/ArchiveCalls.h"
#include "container/Container.h"
#include "support/ArchiveBuilder.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"

#include <archive.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

const std::string Program = hexBytes("FF 09 80 0A 00 91 20 22 48 49 22 00 00 00 # 10 PRINT \"HI\"");
const std::string Picture = hexBytes("FE 00 00 03 00 00 00  11 22 33 44 # BSAVE of 4 bytes");

using Entry = ArchiveEntry;

std::vector<std::string> paths(const Container& c)
{
    std::vector<std::string> out;
    for (const MemberInfo& info : c.members())
        out.push_back(info.path);
    return out;
}

std::string read(const Container& c, std::string_view path)
{
    const auto index = c.find(path);
    if (!index)
        throw std::runtime_error("no member " + std::string(path));
    return c.read(*index);
}

const MemberInfo& member(const Container& c, std::string_view path)
{
    return c.members().at(c.find(path).value());
}

std::string diskImage()
{
    FatImageBuilder disk(FatLayout::doubleSided720k());
    disk.addFile("", "GAME.BAS", Program);
    disk.addFolder("", "DIR");
    disk.addFile("DIR", "TITLE.SC7", Picture);
    return disk.bytes();
}

} // namespace

TEST(Archive, EachFormatListsItsFilesWithKindsAndSizes)
{
    const std::vector<Entry> entries = {
        {"GAME.BAS", Program}, {"pics/", {}, true}, {"pics/TITLE.SC5", Picture}, {"notes.txt", "10 REM\r\n"}};
    struct Case {
        const char* name;
        std::string bytes;
        ContainerKind kind;
    };
    const Case cases[] = {
        {"zip", writeArchive(archive_write_set_format_zip, entries), ContainerKind::Zip},
        {"7z", writeArchive(archive_write_set_format_7zip, entries), ContainerKind::SevenZip},
        {"tar", writeArchive(archive_write_set_format_pax_restricted, entries), ContainerKind::Tar},
        {"tar.gz", writeArchive(archive_write_set_format_ustar, entries, archive_write_add_filter_gzip),
         ContainerKind::Gzip},
        {"lzh", lzhArchive({{"GAME.BAS", Program}, {"pics\\TITLE.SC5", Picture}, {"notes.txt", "10 REM\r\n"}}),
         ContainerKind::Lzh},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The name says nothing: the content decides.
        const auto archive = openContainer(c.bytes, "archive.bin");
        EXPECT_EQ(archive->kind(), c.kind);
        EXPECT_TRUE(archive->problems().empty());
        const std::vector<std::string> listed = paths(*archive);
        ASSERT_EQ(listed.size(), 3u) << "folders are no members";
        EXPECT_EQ(read(*archive, "GAME.BAS"), Program);
        EXPECT_EQ(member(*archive, "GAME.BAS").kind, MemberKind::Basic);
        EXPECT_EQ(member(*archive, "notes.txt").kind, MemberKind::Text);
        EXPECT_EQ(member(*archive, "notes.txt").size, 8u);
        // LZH's MS-DOS "\\" between folders reads as "/" too.
        EXPECT_EQ(listed[1], "pics/TITLE.SC5");
        EXPECT_EQ(read(*archive, "pics/TITLE.SC5"), Picture);
        EXPECT_EQ(member(*archive, "pics/TITLE.SC5").kind, MemberKind::Bsave);
    }
}

TEST(Archive, DatesAreTheArchivesLocalTimes)
{
    std::tm when{};
    when.tm_year = 90, when.tm_mon = 1, when.tm_mday = 3, when.tm_hour = 4, when.tm_min = 5, when.tm_sec = 6;
    when.tm_isdst = -1;
    const auto zip =
        openContainer(writeArchive(archive_write_set_format_zip, {{"A.BAS", Program, false, mktime(&when)}}), "a.zip");
    const auto date = zip->members().at(0).date;
    ASSERT_TRUE(date);
    EXPECT_EQ((std::vector<int>{date->year, date->month, date->day, date->hour, date->minute, date->second}),
              (std::vector<int>{1990, 2, 3, 4, 5, 6}));
}

TEST(Archive, ShiftJisNamesOfMsxArchivesAreDecoded)
{
    // ゲーム.BAS in code page 932, as an MSX archiver stores it.
    const auto lzh = openContainer(lzhArchive({{"\x83\x51\x81\x5B\x83\x80.BAS", Program}}), "x.lzh");
    EXPECT_EQ(paths(*lzh), std::vector<std::string>{"\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.BAS"});
    const auto zip = openContainer(writeArchive(archive_write_set_format_zip, {{"\x83\x51.BAS", Program}}), "x.zip");
    EXPECT_EQ(paths(*zip), std::vector<std::string>{"\xE3\x82\xB2.BAS"});

    // A name iconv cannot map (0x80 has no character in code page 932) must
    // not cost the members after it; a "\\" as second byte stays in its
    // character (ソ, 表), a "\\" of its own separates folders.
    const auto mixed = openContainer(lzhArchive({{"\x83\x5C.BAS", "1"},
                                                 {"\x80"
                                                  "A.BAS",
                                                  "2"},
                                                 {"\x95\x5C\\X.BAS", "3"},
                                                 {"LAST.BAS", "4"}}),
                                     "mixed.lzh");
    ASSERT_EQ(mixed->members().size(), 4u) << (mixed->problems().empty() ? "" : mixed->problems().front());
    EXPECT_EQ(mixed->members()[0].path, "\xE3\x82\xBD.BAS");
    EXPECT_EQ(mixed->members()[2].path, "\xE8\xA1\xA8/X.BAS");
    EXPECT_EQ(mixed->members()[3].path, "LAST.BAS");
    EXPECT_EQ(read(*mixed, "LAST.BAS"), "4");
    EXPECT_EQ(read(*mixed, "\xE8\xA1\xA8/X.BAS"), "3");
}

TEST(Archive, HardLinksInATarAreCopiesOfTheirTarget)
{
    ArchiveEntry link{"games/COPY.BAS", ""};
    link.hardlink = "./GAME.BAS";
    ArchiveEntry dangling{"LOST.BAS", ""};
    dangling.hardlink = "NOWHERE.BAS";
    const auto tar = openContainer(writeArchive(archive_write_set_format_pax_restricted,
                                                {{"GAME.BAS", Program}, link, dangling, {"END.TXT", "e"}}),
                                   "t.tar");
    EXPECT_EQ(paths(*tar), (std::vector<std::string>{"GAME.BAS", "games/COPY.BAS", "END.TXT"}));
    EXPECT_EQ(read(*tar, "games/COPY.BAS"), Program);
    EXPECT_EQ(tar->members().at(1).kind, tar->members().at(0).kind);
}

TEST(Archive, OddPathsAreListedReadably)
{
    const auto tar = openContainer(writeArchive(archive_write_set_format_pax_restricted, {{"./a/./b.txt", "1"},
                                                                                          {"/abs/c.txt", "2"},
                                                                                          {"../up.txt", "3"},
                                                                                          {"x::y.txt", "4"},
                                                                                          {"tab\there.txt", "5"},
                                                                                          {"Same.txt", "6"},
                                                                                          {"SAME.TXT", "7"}}),
                                   "t.tar");
    EXPECT_EQ(paths(*tar), (std::vector<std::string>{"a/b.txt", "abs/c.txt", "../up.txt", "x__y.txt", "tab_here.txt",
                                                     "Same.txt", "SAME.TXT"}));
    // Names that differ only in case match exactly, never by guess.
    EXPECT_EQ(read(*tar, "SAME.TXT"), "7");
    EXPECT_FALSE(tar->find("same.txt"));
    EXPECT_EQ(read(*tar, "A/B.TXT"), "1") << "one name fits without case";
}

TEST(Archive, PlainGzipHoldsOneFileNamedByItsHeaderOrItsOwnName)
{
    const std::string packed =
        writeArchive(archive_write_set_format_raw, {{"data", Program}}, archive_write_add_filter_gzip);
    ASSERT_EQ(static_cast<std::uint8_t>(packed[3]) & 0x08, 0) << "the writer stores no name";
    const auto byOwnName = openContainer(packed, "dir/GAME.BAS.gz");
    EXPECT_EQ(paths(*byOwnName), std::vector<std::string>{"GAME.BAS"});
    EXPECT_EQ(read(*byOwnName, "GAME.BAS"), Program);
    EXPECT_EQ(paths(*openContainer(packed, "packed")), std::vector<std::string>{"data"});

    // The header's name (flag 0x08, then the name and a zero after the ten
    // fixed bytes) wins.
    std::string named = packed;
    named[3] = static_cast<char>(named[3] | 0x08);
    named.insert(10, std::string("ORIGINAL.BAS") + '\0');
    const auto byHeader = openContainer(named, "dir/GAME.BAS.gz");
    EXPECT_EQ(paths(*byHeader), std::vector<std::string>{"ORIGINAL.BAS"});
    EXPECT_EQ(read(*byHeader, "ORIGINAL.BAS"), Program);
}

TEST(Archive, MembersOverSixteenMegabytesAreListedButNotOpened)
{
    const std::string big(MaxMemberSize + 1, 'x');
    // Declared in the ZIP's directory; unknown until unpacked in a gzip.
    const auto zip = openContainer(
        writeArchive(archive_write_set_format_zip, {{"BIG.DAT", big}, {"SMALL.BAS", Program}}), "bomb.zip");
    const auto gz = openContainer(
        writeArchive(archive_write_set_format_raw, {{"data", big}}, archive_write_add_filter_gzip), "BIG.DAT.gz");
    for (const Container* archive : {zip.get(), gz.get()}) {
        EXPECT_EQ(member(*archive, "BIG.DAT").status, MemberStatus::TooLarge);
        EXPECT_GT(member(*archive, "BIG.DAT").size, MaxMemberSize);
        try {
            read(*archive, "BIG.DAT");
            ADD_FAILURE() << "a member over the limit was opened";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::TooLarge);
        }
    }
    EXPECT_EQ(read(*zip, "SMALL.BAS"), Program);
    // Exactly the limit still opens.
    const auto atLimit = openContainer(
        writeArchive(archive_write_set_format_zip, {{"EDGE.DAT", std::string(MaxMemberSize, 'x')}}), "e.zip");
    EXPECT_EQ(member(*atLimit, "EDGE.DAT").status, MemberStatus::Ok);
    EXPECT_EQ(read(*atLimit, "EDGE.DAT").size(), MaxMemberSize);
}

TEST(Archive, ContainersInsideContainersOpenByMemberPath)
{
    const std::string inner = writeArchive(archive_write_set_format_zip, {{"disk1.dsk", diskImage()}});
    const std::string outer = writeArchive(archive_write_set_format_7zip, {{"games/inner.zip", inner}});
    const std::vector<std::string> path = {"games/inner.zip", "disk1.dsk", "dir/title.sc7"};
    EXPECT_EQ(readMemberPath(outer, "outer.7z", path), Picture);

    std::vector<std::string> walked;
    walkMembers(*openContainer(outer, "outer.7z"), [&](const WalkedMember& m) {
        walked.push_back(m.path() + " " + std::string(memberKindName(m.info().kind)) + (m.opened ? " opened" : ""));
    });
    EXPECT_EQ(walked, (std::vector<std::string>{
                          "games/inner.zip container opened", "games/inner.zip::disk1.dsk container opened",
                          "games/inner.zip::disk1.dsk::GAME.BAS basic", "games/inner.zip::disk1.dsk::DIR folder",
                          "games/inner.zip::disk1.dsk::DIR/TITLE.SC7 bsave"}));

    const auto failure = [&](std::vector<std::string> members) {
        try {
            readMemberPath(outer, "outer.7z", members);
        } catch (const QuilletError& error) {
            return error.kind();
        }
        return ErrorKind::ReadFailed;
    };
    EXPECT_EQ(failure({"games/inner.zip", "disk2.dsk"}), ErrorKind::UnknownMember);
    EXPECT_EQ(failure({"games/inner.zip", "disk1.dsk", "GAME.BAS", "MORE"}), ErrorKind::NotAContainer);
}

TEST(Archive, WalkStopsAtTheNestingLimit)
{
    std::string bytes = Program;
    for (int level = 0; level < MaxNestingDepth + 2; ++level)
        bytes = writeArchive(archive_write_set_format_zip, {{"level.zip", bytes}});
    int deepest = 0;
    std::string note;
    walkMembers(*openContainer(bytes, "deep.zip"), [&](const WalkedMember& m) {
        deepest = std::max(deepest, static_cast<int>(m.levels.size()));
        if (!m.note.empty())
            note = m.note;
    });
    EXPECT_EQ(deepest, MaxNestingDepth + 1);
    EXPECT_NE(note.find("nested deeper"), std::string::npos) << note;
}

TEST(Archive, WalkReadsEveryMemberOfASolidArchiveInOnePass)
{
    // libarchive writes a 7z as one solid folder; a tar.gz is one stream.
    std::vector<Entry> entries;
    for (int i = 0; i < 300; ++i)
        entries.push_back({"m" + std::to_string(i) + ".txt", std::string(100 + i, static_cast<char>('a' + i % 26))});
    const std::string solid = writeArchive(archive_write_set_format_7zip, entries);
    // A hard link to a member passed long before.
    entries.push_back({"late/link.txt", "", false, 0, "m7.txt"});
    const std::string stream =
        writeArchive(archive_write_set_format_pax_restricted, entries, archive_write_add_filter_gzip);
    entries.pop_back();
    for (const auto& [name, bytes] : {std::pair{"solid.7z", solid}, std::pair{"many.tgz", stream}}) {
        if (name == std::string("many.tgz"))
            entries.push_back({"late/link.txt", entries[7].bytes});
        const auto archive = openContainer(bytes, name);
        ASSERT_EQ(archive->members().size(), entries.size()) << name;
        std::size_t same = 0;
        WorkBudget budget;
        walkMembers(
            *archive,
            [&](const WalkedMember& m) {
                same += m.bytes && *m.bytes == entries[m.index].bytes && isReadable(m.info().status);
            },
            budget, WalkReads::Everything);
        EXPECT_EQ(same, entries.size()) << name;
    }
}

TEST(Archive, GzipWhoseFirstBlockIsEmptyHoldsItsFile)
{
    const auto crc32 = [](std::string_view bytes) {
        std::uint32_t crc = 0xFFFFFFFF;
        for (const char c : bytes) {
            crc ^= static_cast<std::uint8_t>(c);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
        }
        return ~crc;
    };
    const auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    const std::string header("\x1F\x8B\x08\0\0\0\0\0\0\x03", 10);
    const auto length = static_cast<std::uint16_t>(Program.size());
    // An empty stored block before the one that holds the data, as a
    // flush at the start of a stream writes it.
    const std::string emptyBlock = header + std::string("\0\0\0\xFF\xFF", 5) + '\x01' + static_cast<char>(length) + '\0'
                                   + static_cast<char>(~length) + '\xFF' + Program + le32(crc32(Program))
                                   + le32(length);
    // A gzip member of nothing before the member that holds the data.
    const std::string emptyMember =
        header + std::string("\x03\0", 2) + le32(0) + le32(0)
        + writeArchive(archive_write_set_format_raw, {{"data", Program}}, archive_write_add_filter_gzip);
    // A file that starts with 512 zero bytes, as a disk image without a
    // boot sector does, is no empty tar file.
    const std::string zeroFirst = std::string(512, '\0') + Program;
    const std::string zeroSector =
        writeArchive(archive_write_set_format_raw, {{"data", zeroFirst}}, archive_write_add_filter_gzip);
    for (const auto& [bytes, holds] :
         {std::pair{emptyBlock, Program}, std::pair{emptyMember, Program}, std::pair{zeroSector, zeroFirst}}) {
        const auto gz = openContainer(bytes, "GAME.BAS.gz");
        ASSERT_EQ(paths(*gz), std::vector<std::string>{"GAME.BAS"});
        EXPECT_EQ(read(*gz, "GAME.BAS"), holds);
    }
}

TEST(ArchiveDamage, CutArchivesKeepWhatCameBeforeTheCut)
{
    const std::string first(3000, 'a'), second(3000, 'b'), third(3000, 'c');
    for (auto format : {archive_write_set_format_zip, archive_write_set_format_pax_restricted}) {
        const std::string whole =
            writeArchive(format, {{"ONE.TXT", first}, {"TWO.TXT", second}, {"THREE.TXT", third}}, nullptr,
                         format == archive_write_set_format_zip ? "zip:compression=store" : nullptr);
        // Stored data lies in order, so this cuts inside THREE.TXT's bytes.
        const std::size_t start = whole.find(third.substr(0, 100));
        ASSERT_NE(start, std::string::npos);
        const std::size_t cut = start + 1000;
        const auto archive = openContainer(whole.substr(0, cut), "cut");
        ASSERT_EQ(archive->members().size(), 3u);
        EXPECT_EQ(read(*archive, "ONE.TXT"), first);
        EXPECT_EQ(read(*archive, "TWO.TXT"), second);
        EXPECT_EQ(member(*archive, "THREE.TXT").status, MemberStatus::Unreadable);
        EXPECT_EQ(archive->problems().size(), 1u);
    }
}

TEST(ArchiveDamage, MagicWithNothingAfterItIsABrokenContainer)
{
    for (const std::string& bytes :
         {std::string("PK\x03\x04garbage garbage garbage", 27), std::string("7z\xBC\xAF\x27\x1C\0\0\0\0\0\0", 12),
          std::string("\x1F\x8B\x08\0\0\0\0\0\0\0\x01\x02\x03", 13)}) {
        try {
            openContainer(bytes, "x");
            ADD_FAILURE() << "opened";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::DamagedContainer) << error.what();
        }
    }
}

// libarchive (and the dozen libraries under it) and libpng are loaded by
// the first archive opened and the first PNG written, never by a listing,
// a BMP picture or --help; a module that is missing or no module at all
// fails as a part of the program missing.
TEST(ArchiveModule, OnlyAnArchiveLoadsLibarchiveAndOnlyAPngLibpng)
{
    ScratchDir dir;
    writeFile(dir / "p.bas", Program);
    writeFile(dir / "p.sc7", Picture);
    writeFile(dir / "a.zip", zipOf({{"GAME.BAS", Program}}));
    const std::string convert = QUILLET_BINARY_DIR "/quillet-convert";
    const struct {
        std::string args;
        bool archive, png;
    } runs[] = {
        {"--help", false, false},
        {(dir / "p.bas").string() + " " + (dir / "p.asc").string(), false, false},
        {(dir / "p.sc7").string() + " " + (dir / "p.bmp").string(), false, false},
        {(dir / "p.sc7").string() + " " + (dir / "p.png").string(), false, true},
        {"--list " + (dir / "a.zip").string(), true, false},
        {(dir / "a.zip").string() + "::GAME.BAS " + (dir / "g.asc").string(), true, false},
    };
    for (const auto& run : runs) {
        // The dynamic loader names every library it loads.
        std::FILE* pipe = popen(("LD_DEBUG=libs " + convert + " " + run.args + " 2>&1 >/dev/null").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string said;
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            said.append(buffer, got);
        EXPECT_EQ(pclose(pipe), 0) << run.args << "\n" << said;
        EXPECT_EQ(said.find("libarchive.so") != std::string::npos, run.archive) << run.args;
        EXPECT_EQ(said.find("libpng16.so") != std::string::npos, run.png) << run.args;
    }

    writeFile(dir / "junk.so", "not a library");
    for (const fs::path& module : {dir / "none.so", dir / "junk.so"}) {
        try {
            loadModuleTable(module.string(), QUILLET_ARCHIVE_ENTRY_POINT, QUILLET_ARCHIVE_CALLS_VERSION,
                            sizeof(QuilletArchiveCalls));
            ADD_FAILURE() << module << " loaded";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::PartMissing) << error.what();
        }
    }
}
