// SPDX-License-Identifier: MIT
// Disk images made by FatImageBuilder as MSX-DOS 1 and 2 lay them out, read
// back and, where mtools is installed, checked against mdir and mcopy; then
// each kind of damage, with the intact members beside it still read.

#include "common/Errors.h"
#include "container/Container.h"
#include "container/Readers.h"
#include "support/DiskCheck.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace quillet;
using namespace quillet::test;

namespace {

const std::string Program = hexBytes(R"(
    FF                # tokenized program
    09 80 0A 00       # link, line 10
    91 20 22 48 49 22 # PRINT "HI"
    00 00 00          # line end, end of program
)");
const std::string Picture = hexBytes("FE 00 00 03 00 00 00  11 22 33 44 # BSAVE of 4 bytes from 0");

// Bytes that make a member span clusters: no two clusters alike.
std::string filler(std::size_t size, unsigned seed)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 7 + seed * 13 + i / 251) & 0xFF);
    return out;
}

std::unique_ptr<Container> openImage(const std::string& bytes)
{
    return openContainer(bytes, "test.dsk");
}

const MemberInfo& member(const Container& disk, std::string_view path)
{
    const auto index = disk.find(path);
    if (!index)
        throw std::runtime_error("no member " + std::string(path));
    return disk.members()[*index];
}

std::string read(const Container& disk, std::string_view path)
{
    return disk.read(*disk.find(path));
}

std::vector<std::string> paths(const Container& disk)
{
    std::vector<std::string> out;
    for (const MemberInfo& info : disk.members())
        out.push_back(info.path);
    return out;
}

// The MSX-DOS 2 disk most tests start from: files in the root, a folder
// with a folder inside, a fragmented file, and entries that are no members.
FatImageBuilder msxDos2Disk(const FatLayout& layout = FatLayout::doubleSided720k(), bool bootSector = true)
{
    FatImageBuilder disk(layout, bootSector);
    disk.addVolumeLabel("GAMES");
    disk.addFile("", "GAME.BAS", Program, FatImageBuilder::Archive, {}, {1987, 3, 14, 15, 9, 26});
    disk.addRawEntry("", FatImageBuilder::entry("\xE5OLD.BAS", 0x20, 0, 0)); // deleted
    disk.addFile("", "README.TXT", "10 REM\r\n\x1A");
    disk.addFile("", "HIDDEN.SYS", "secret", FatImageBuilder::Hidden | FatImageBuilder::System);
    disk.addFolder("", "DIR");
    disk.addFile("DIR", "TITLE.SC7", Picture);
    disk.addFolder("DIR", "SUB");
    // Three clusters out of order, with other files between them.
    disk.addFile("DIR/SUB", "LONG.DAT", filler(2500, 1), FatImageBuilder::Archive, {40, 12, 30});
    disk.addFile("", "EMPTY.TXT", "");
    return disk;
}

// What mtools reads from `image`: every file's and folder's path, and each
// file's bytes by mcopy, compared with the reader's members.
void expectMtoolsAgrees(const std::string& image)
{
    ScratchDir dir;
    const auto file = dir / "image.dsk";
    writeFile(file, image);
    std::set<std::string> listed;
    const std::string bare = runMtools("mdir -/ -a -b -i '" + file.string() + "' ::");
    std::size_t start = 0;
    for (std::size_t end; (end = bare.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = bare.substr(start, end - start);
        if (line.rfind("::/", 0) == 0)
            listed.insert(line.substr(3, line.back() == '/' ? line.size() - 4 : std::string::npos));
    }
    ASSERT_FALSE(listed.empty()) << "mdir listed nothing";

    const auto disk = openImage(image);
    std::set<std::string> ours;
    for (const MemberInfo& info : disk->members()) {
        ours.insert(info.path);
        if (info.kind == MemberKind::Folder)
            continue;
        const auto copy = dir / "copy";
        std::filesystem::remove(copy);
        runMtools("mcopy -n -o -i '" + file.string() + "' '::/" + info.path + "' '" + copy.string() + "'");
        ASSERT_TRUE(std::filesystem::exists(copy)) << "mcopy could not read " << info.path;
        EXPECT_EQ(readFile(copy), read(*disk, info.path)) << info.path;
        EXPECT_EQ(std::filesystem::file_size(copy), info.size) << info.path;
    }
    EXPECT_EQ(ours, listed);
}

} // namespace

TEST(DiskImage, MsxDos2LayoutListsFilesInFoldersWithKindsSizesAndDates)
{
    const auto disk = openImage(msxDos2Disk().bytes());
    EXPECT_EQ(disk->kind(), ContainerKind::DiskImage);
    EXPECT_TRUE(disk->problems().empty());
    // Directory order, a folder's members after its entry; the label, the
    // deleted entry and the folders' "." and ".." are no members.
    EXPECT_EQ(paths(*disk), (std::vector<std::string>{"GAME.BAS", "README.TXT", "HIDDEN.SYS", "DIR", "DIR/TITLE.SC7",
                                                      "DIR/SUB", "DIR/SUB/LONG.DAT", "EMPTY.TXT"}));
    EXPECT_EQ(member(*disk, "GAME.BAS").kind, MemberKind::Basic);
    EXPECT_EQ(member(*disk, "README.TXT").kind, MemberKind::Text);
    EXPECT_EQ(member(*disk, "DIR/TITLE.SC7").kind, MemberKind::Bsave);
    EXPECT_EQ(member(*disk, "DIR/SUB/LONG.DAT").kind, MemberKind::Other);
    EXPECT_EQ(member(*disk, "EMPTY.TXT").kind, MemberKind::Text);
    EXPECT_EQ(member(*disk, "DIR/SUB/LONG.DAT").size, 2500u);
    EXPECT_EQ(member(*disk, "DIR/SUB").kind, MemberKind::Folder);
    EXPECT_THROW(read(*disk, "DIR"), QuilletError) << "a folder has no bytes";

    const auto date = member(*disk, "GAME.BAS").date;
    ASSERT_TRUE(date);
    EXPECT_EQ((std::vector<int>{date->year, date->month, date->day, date->hour, date->minute, date->second}),
              (std::vector<int>{1987, 3, 14, 15, 9, 26}));

    EXPECT_EQ(read(*disk, "GAME.BAS"), Program);
    EXPECT_EQ(read(*disk, "HIDDEN.SYS"), "secret");
    EXPECT_EQ(read(*disk, "DIR/SUB/LONG.DAT"), filler(2500, 1)) << "a fragmented file in its chain's order";
    EXPECT_EQ(read(*disk, "EMPTY.TXT"), "");
    for (const MemberInfo& info : disk->members())
        EXPECT_EQ(info.status, MemberStatus::Ok) << info.path;
}

TEST(DiskImage, NamesMatchWithoutCaseAndUnknownOnesAreNotFound)
{
    const auto disk = openImage(msxDos2Disk().bytes());
    EXPECT_EQ(disk->find("dir/sub/long.dat"), disk->find("DIR/SUB/LONG.DAT"));
    EXPECT_EQ(disk->find("/GAME.BAS"), disk->find("GAME.BAS"));
    EXPECT_FALSE(disk->find("GAME"));
    EXPECT_EQ(member(*disk, "dir").kind, MemberKind::Folder);
    EXPECT_FALSE(disk->find("SUB/LONG.DAT"));
}

TEST(DiskImage, NamesAreDecodedAsShiftJis)
{
    FatImageBuilder builder(FatLayout::doubleSided720k());
    builder.addFile("", "\x83\x51\x81\x5B\x83\x80.BAS", Program); // ゲーム, full width
    builder.addFile("", "\xB9\xDE\xB0\xD1.SC5", Picture);         // ｹﾞｰﾑ, half width
    builder.addFile("",
                    "\x05\x40"
                    "DATA.BIN",
                    "x");                // 0x05 stands for a first byte 0xE5
    builder.addFile("", "A B.TXT", "y"); // a blank inside stays
    const auto disk = openImage(builder.bytes());
    // The expected texts are the code page's own: ゲーム, ｹﾞｰﾑ, 蕁 (E5 40).
    EXPECT_EQ(paths(*disk), (std::vector<std::string>{"\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.BAS",
                                                      "\xEF\xBD\xB9\xEF\xBE\x9E\xEF\xBD\xB0\xEF\xBE\x91.SC5",
                                                      "\xE8\x95\x81"
                                                      "DATA.BIN",
                                                      "A B.TXT"}));
}

TEST(DiskImage, SingleSidedDiskOfMsxDos1)
{
    FatImageBuilder builder(FatLayout::singleSided360k());
    builder.addFile("", "AUTOEXEC.BAS", Program);
    builder.addFile("", "BIG.DAT", filler(300 * 1024, 2));
    const auto disk = openImage(builder.bytes());
    EXPECT_EQ(paths(*disk), (std::vector<std::string>{"AUTOEXEC.BAS", "BIG.DAT"}));
    EXPECT_EQ(read(*disk, "BIG.DAT"), filler(300 * 1024, 2));
}

TEST(DiskImage, OlderDisksWithoutABootSectorGoByTheMediaByte)
{
    for (const FatLayout& layout : {FatLayout::singleSided360k(), FatLayout::doubleSided720k()}) {
        const std::string withBoot = msxDos2Disk(layout, true).bytes();
        const std::string without = msxDos2Disk(layout, false).bytes();
        ASSERT_EQ(without.substr(0, 512), std::string(512, '\0'));
        // The same members, at the same places, as the boot sector describes.
        const auto expected = openImage(withBoot);
        for (std::string_view name : {"old.dsk", "OLD"}) {
            const auto disk = openContainer(without, name);
            ASSERT_EQ(paths(*disk), paths(*expected)) << std::hex << int(layout.media);
            for (const MemberInfo& info : disk->members()) {
                if (info.kind != MemberKind::Folder)
                    EXPECT_EQ(read(*disk, info.path), read(*expected, info.path)) << info.path;
            }
        }
    }
}

TEST(DiskImage, AgreesWithMtools)
{
    if (!haveMtools())
        GTEST_SKIP() << "mtools is not installed";
    {
        SCOPED_TRACE("720 KB, MSX-DOS 2 folders");
        expectMtoolsAgrees(msxDos2Disk().bytes());
    }
    {
        SCOPED_TRACE("360 KB");
        expectMtoolsAgrees(msxDos2Disk(FatLayout::singleSided360k()).bytes());
    }
}

TEST(DiskImage, FatSixteenImagesMadeByMtools)
{
    if (!haveMtools())
        GTEST_SKIP() << "mtools is not installed";
    ScratchDir dir;
    const std::string image = (dir / "big.img").string();
    // 8192 sectors of one cluster each: more clusters than FAT12 counts.
    runMtools("mformat -C -i '" + image + "' -T 8192 -h 2 -s 16 -c 1 ::");
    ASSERT_TRUE(std::filesystem::exists(image)) << "mformat failed";
    writeFile(dir / "a.bin", filler(70000, 3));
    writeFile(dir / "game.bas", Program);
    runMtools("mcopy -i '" + image + "' '" + (dir / "a.bin").string() + "' ::A.BIN");
    runMtools("mmd -i '" + image + "' ::SUB");
    runMtools("mcopy -i '" + image + "' '" + (dir / "game.bas").string() + "' ::SUB/GAME.BAS");
    const auto disk = openImage(readFile(image));
    EXPECT_EQ(paths(*disk), (std::vector<std::string>{"A.BIN", "SUB", "SUB/GAME.BAS"}));
    EXPECT_EQ(read(*disk, "A.BIN"), filler(70000, 3));
    EXPECT_EQ(member(*disk, "SUB/GAME.BAS").kind, MemberKind::Basic);
    expectMtoolsAgrees(readFile(image));
}

// Damage: the damaged member is listed with its reason and cannot be read;
// the members beside it read as they should.

TEST(DiskImageDamage, ChainThatLoops)
{
    FatImageBuilder builder = msxDos2Disk();
    builder.addFile("", "LOOP.DAT", filler(3000, 4), FatImageBuilder::Archive, {100, 101, 102});
    builder.setFat(101, 100);
    const auto disk = openImage(builder.bytes());
    EXPECT_EQ(member(*disk, "LOOP.DAT").status, MemberStatus::ChainLoops);
    EXPECT_EQ(member(*disk, "LOOP.DAT").size, 3000u) << "the size its entry declares";
    EXPECT_EQ(member(*disk, "LOOP.DAT").kind, MemberKind::Other);
    EXPECT_THROW(read(*disk, "LOOP.DAT"), QuilletError);
    EXPECT_EQ(read(*disk, "DIR/SUB/LONG.DAT"), filler(2500, 1));
}

TEST(DiskImageDamage, ChainThatLeavesTheDisk)
{
    FatImageBuilder builder = msxDos2Disk();
    builder.addFile("", "PAST.DAT", filler(3000, 5), FatImageBuilder::Archive, {100, 101, 102});
    builder.setFat(100, builder.layout().clusterCount() + 2); // one past the last cluster
    builder.addFile("", "FREE.DAT", filler(3000, 6), FatImageBuilder::Archive, {110, 111, 112});
    builder.setFat(111, 0); // a free cluster inside the chain
    builder.addFile("", "BAD.BAS", Program);
    builder.addRawEntry("", FatImageBuilder::entry("WILD.BAS", 0x20, 0xFF0, 10)); // starts off the disk
    builder.addRawEntry("", FatImageBuilder::entry("NOWHERE", 0x10, 0xFFF, 0));   // a folder that ends at once
    const auto disk = openImage(builder.bytes());
    for (std::string_view name : {"PAST.DAT", "FREE.DAT", "WILD.BAS", "NOWHERE"}) {
        EXPECT_EQ(member(*disk, name).status, MemberStatus::ChainLeavesDisk) << name;
        try {
            read(*disk, name);
            ADD_FAILURE() << name << " was read";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::DamagedMember);
        }
    }
    EXPECT_EQ(read(*disk, "BAD.BAS"), Program);
}

TEST(DiskImageDamage, SizeLargerThanItsChain)
{
    FatImageBuilder builder = msxDos2Disk();
    const std::uint32_t first = builder.addFile("", "SHORT.BAS", Program);
    builder.addRawEntry("", FatImageBuilder::entry("LONGER.BAS", 0x20, first, 5000)); // one cluster of 1024
    builder.addRawEntry("", FatImageBuilder::entry("NOWHERE.BAS", 0x20, 0, 100));     // bytes but no cluster
    builder.addRawEntry("", FatImageBuilder::entry("HUGE.BAS", 0x20, first, 0xFFFFFFF0));
    const auto disk = openImage(builder.bytes());
    EXPECT_EQ(member(*disk, "LONGER.BAS").status, MemberStatus::ChainTooShort);
    EXPECT_EQ(member(*disk, "LONGER.BAS").kind, MemberKind::Basic) << "told by the bytes that are there";
    EXPECT_EQ(member(*disk, "NOWHERE.BAS").status, MemberStatus::ChainTooShort);
    EXPECT_EQ(member(*disk, "HUGE.BAS").status, MemberStatus::TooLarge);
    try {
        read(*disk, "HUGE.BAS");
        ADD_FAILURE() << "a member over 16 MB was read";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::TooLarge);
    }
    EXPECT_EQ(read(*disk, "SHORT.BAS"), Program);
}

TEST(DiskImageDamage, FatCopiesThatDisagree)
{
    FatImageBuilder builder = msxDos2Disk();
    const std::uint32_t second =
        builder.addFile("", "SECOND.DAT", filler(3000, 7), FatImageBuilder::Archive, {100, 101, 102});
    const std::uint32_t first =
        builder.addFile("", "FIRST.DAT", filler(3000, 8), FatImageBuilder::Archive, {110, 111, 112});
    builder.setFat(second + 1, 0, 0);  // broken in the first copy only
    builder.setFat(first + 1, 200, 1); // elsewhere in the second copy only
    const auto disk = openImage(builder.bytes());
    EXPECT_EQ(disk->problems(), std::vector<std::string>{"the FAT copies disagree"});
    // Either way the copy whose chain holds is read, and the member says so.
    EXPECT_EQ(member(*disk, "SECOND.DAT").status, MemberStatus::FatCopiesDisagree);
    EXPECT_EQ(read(*disk, "SECOND.DAT"), filler(3000, 7));
    EXPECT_EQ(member(*disk, "FIRST.DAT").status, MemberStatus::FatCopiesDisagree);
    EXPECT_EQ(read(*disk, "FIRST.DAT"), filler(3000, 8));
    EXPECT_EQ(member(*disk, "GAME.BAS").status, MemberStatus::Ok) << "a chain both copies agree on";

    // Broken in both copies: nothing to read.
    builder.setFat(101, 0);
    const auto both = openImage(builder.bytes());
    EXPECT_EQ(member(*both, "SECOND.DAT").status, MemberStatus::ChainLeavesDisk);
}

TEST(DiskImageDamage, FolderThatContainsItself)
{
    FatImageBuilder builder = msxDos2Disk();
    const std::uint32_t loop = builder.addFolder("", "LOOP");
    builder.addFile("LOOP", "IN.TXT", "inside");
    builder.addRawEntry("LOOP", FatImageBuilder::entry("AGAIN", 0x10, loop, 0)); // itself
    builder.addRawEntry("DIR/SUB", FatImageBuilder::entry("UP", 0x10, 0, 0));    // the root
    const auto disk = openImage(builder.bytes());
    EXPECT_EQ(member(*disk, "LOOP/AGAIN").status, MemberStatus::DirectoryLoop);
    EXPECT_EQ(member(*disk, "DIR/SUB/UP").status, MemberStatus::DirectoryLoop);
    EXPECT_EQ(read(*disk, "LOOP/IN.TXT"), "inside");
    EXPECT_FALSE(disk->find("LOOP/AGAIN/IN.TXT"));
    EXPECT_EQ(disk->members().size(), 12u) << "eight members, the folder LOOP, IN.TXT and the two loops";
}

TEST(DiskImageDamage, FolderChainThatLoopsIsReadOnce)
{
    FatImageBuilder builder = msxDos2Disk();
    const std::uint32_t folder = builder.addFolder("", "TWICE", {150, 151});
    builder.addFile("TWICE", "A.TXT", "a");
    builder.setFat(151, folder);
    const auto disk = openImage(builder.bytes());
    EXPECT_EQ(member(*disk, "TWICE").status, MemberStatus::ChainLoops);
    EXPECT_EQ(read(*disk, "TWICE/A.TXT"), "a");
    EXPECT_FALSE(disk->find("TWICE/A.TXT~2"));
}

TEST(DiskImageDamage, FoldersNestedPastAnyMsxDosPath)
{
    FatImageBuilder builder(FatLayout::doubleSided720k());
    std::string path;
    for (int depth = 0; depth < 70; ++depth) {
        builder.addFolder(path, "D");
        path += path.empty() ? "D" : "/D";
    }
    builder.addFile(path, "DEEP.TXT", "deep");
    const auto disk = openImage(builder.bytes());
    // The folders down to the deepest any path reaches, then the one too deep.
    ASSERT_EQ(disk->members().size(), 65u);
    EXPECT_EQ(disk->members()[63].status, MemberStatus::Ok);
    EXPECT_EQ(disk->members().back().status, MemberStatus::FoldersTooDeep);
}

TEST(DiskImageDamage, CutImage)
{
    FatImageBuilder builder = msxDos2Disk();
    builder.addFile("", "FAR.DAT", filler(4000, 9), FatImageBuilder::Archive, {700, 701, 702, 703});
    const std::string whole = builder.bytes();
    // The image ends inside FAR.DAT's second cluster.
    const std::string cut = whole.substr(0, builder.clusterOffset(701) + 100);
    const auto disk = openImage(cut);
    ASSERT_EQ(disk->problems().size(), 1u);
    EXPECT_NE(disk->problems()[0].find("ends after"), std::string::npos) << disk->problems()[0];
    EXPECT_EQ(member(*disk, "FAR.DAT").status, MemberStatus::PastImageEnd);
    EXPECT_EQ(read(*disk, "DIR/SUB/LONG.DAT"), filler(2500, 1));

    // Cut inside GAME.BAS's entry: nothing at all can be listed.
    const std::string early = whole.substr(0, builder.layout().rootSector() * 512 + 40);
    try {
        openImage(early);
        ADD_FAILURE() << "an image with no whole entry opened";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::DamagedContainer);
    }
}

TEST(DiskImageDamage, CutJustAfterTheFirstEntries)
{
    FatImageBuilder builder = msxDos2Disk();
    const std::string whole = builder.bytes();
    // The label and GAME.BAS whole, its data gone with the rest.
    const auto disk = openImage(whole.substr(0, builder.layout().rootSector() * 512 + 64));
    EXPECT_EQ(paths(*disk), std::vector<std::string>{"GAME.BAS"});
    EXPECT_EQ(member(*disk, "GAME.BAS").status, MemberStatus::PastImageEnd);
}
