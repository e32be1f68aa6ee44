// SPDX-License-Identifier: MIT
// What is a container (by content first), how a member path splits into a
// file and members, and how member names become safe file names.

#include "common/Utf8.h"
#include "container/Container.h"
#include "document/Open.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace quillet;
using namespace quillet::test;

namespace {

std::optional<ContainerKind> kindOf(const std::string& bytes, std::string_view name)
{
    const std::span<const std::uint8_t> head(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             std::min(bytes.size(), ContainerHeadSize));
    return containerKindOf(head, bytes.size(), name);
}

} // namespace

TEST(ContainerKinds, ContentDecidesBeforeTheName)
{
    const std::string program = hexBytes("FF 09 80 0A 00 91 00 00 00");
    const std::string picture = hexBytes("FE 00 00 03 00 00 00 11 22 33 44");
    const std::string zip = std::string("PK\x03\x04", 4) + std::string(40, '\0');
    const std::string tape = hexBytes("1F A6 DE BA CC 13 7D 74  EA EA EA EA EA EA EA EA EA EA 41 20 20 20 20 20");
    FatImageBuilder builder(FatLayout::doubleSided720k(), false);
    const std::string oldDisk = builder.bytes();

    EXPECT_EQ(kindOf(program, "GAME.DSK"), std::nullopt) << "a program named like a disk image";
    EXPECT_EQ(kindOf(picture, "x.zip"), std::nullopt);
    EXPECT_EQ(kindOf("10 PRINT\r\n", "x.cas"), std::nullopt);
    EXPECT_EQ(kindOf("", "x.dsk"), std::nullopt);
    // A blank tape is an empty file: only its name tells it.
    EXPECT_EQ(kindOf("", "x.cas"), ContainerKind::CassetteImage);
    EXPECT_EQ(kindOf("", "DISK.dsk::TAPE.CAS"), ContainerKind::CassetteImage);
    EXPECT_EQ(kindOf("", "cas"), std::nullopt);
    EXPECT_EQ(kindOf("", "x.cass"), std::nullopt);
    EXPECT_EQ(kindOf(zip, "GAME.BAS"), ContainerKind::Zip) << "an archive named like a program";
    EXPECT_EQ(kindOf(tape, "TAPE.BIN"), ContainerKind::CassetteImage);
    EXPECT_EQ(kindOf(std::string("7z\xBC\xAF\x27\x1C", 6), "x"), ContainerKind::SevenZip);
    EXPECT_EQ(kindOf(std::string("\x1F\x8B\x08\0", 4), "x"), ContainerKind::Gzip);
    EXPECT_EQ(kindOf(std::string(257, '\0') + "ustar", "x"), ContainerKind::Tar);
    EXPECT_EQ(kindOf(std::string("\x1C\x2A-lh5-", 7) + std::string(20, '\0'), "x"), ContainerKind::Lzh);

    // A disk without a boot sector is told by its FAT and its whole size;
    // cut short, only its name settles it.
    EXPECT_EQ(kindOf(oldDisk, "OLD"), ContainerKind::DiskImage);
    const std::string cut = oldDisk.substr(0, 400 * 1024);
    EXPECT_EQ(kindOf(cut, "old.dsk"), ContainerKind::DiskImage);
    EXPECT_EQ(kindOf(cut, "old.bin"), std::nullopt);
    std::string notFat = oldDisk;
    notFat[513] = 0; // F9 00 FF: no FAT
    EXPECT_EQ(kindOf(notFat, "old.dsk"), std::nullopt);
    EXPECT_EQ(containerKindInfo(ContainerKind::DiskImage).description, "disk image");
}

TEST(MemberKinds, ToldByContent)
{
    EXPECT_EQ(memberKindOf(hexBytes("FF 00 00"), "X.TXT"), MemberKind::Basic);
    EXPECT_EQ(memberKindOf(hexBytes("FE 00 00 00 00 00 00"), "X"), MemberKind::Bsave);
    EXPECT_EQ(memberKindOf("10 PRINT \x01\x41\r\n\x1A\x00\x00", "X"), MemberKind::Text)
        << "graphic prefix and padding after the end mark";
    EXPECT_EQ(memberKindOf(std::string("\0\0\0\1Bud1", 8), "DS_STORE"), MemberKind::Other);
    EXPECT_EQ(memberKindOf("", "EMPTY"), MemberKind::Text);
    EXPECT_EQ(memberKindOf(std::string("PK\x05\x06", 4) + std::string(18, '\0'), "X"), MemberKind::Container);
    EXPECT_EQ(memberKindName(MemberKind::Container), "container");
}

TEST(MemberPaths, SplitAtTheFirstPrefixThatIsAFile)
{
    const std::set<std::string> files = {"games.zip", "odd::name.dsk", "plain.bas"};
    const auto isFile = [&](const std::string& path) { return files.count(path) > 0; };
    const auto split = [&](std::string_view text) {
        const MemberPath path = splitMemberPath(text, isFile);
        std::vector<std::string> out{path.file};
        out.insert(out.end(), path.members.begin(), path.members.end());
        return out;
    };
    EXPECT_EQ(split("games.zip::disk1.dsk::DIR/TITLE.SC7"),
              (std::vector<std::string>{"games.zip", "disk1.dsk", "DIR/TITLE.SC7"}));
    EXPECT_EQ(split("odd::name.dsk::GAME.BAS"), (std::vector<std::string>{"odd::name.dsk", "GAME.BAS"}));
    EXPECT_EQ(split("odd::name.dsk"), std::vector<std::string>{"odd::name.dsk"});
    EXPECT_EQ(split("plain.bas"), std::vector<std::string>{"plain.bas"});
    EXPECT_EQ(split("missing.dsk::GAME.BAS"), (std::vector<std::string>{"missing.dsk", "GAME.BAS"}))
        << "the first part, so that the message names the missing file";
    EXPECT_EQ(split("games.zip::"), (std::vector<std::string>{"games.zip", ""}));
}

TEST(MemberPaths, SafeFileNamesNeverLeaveTheirFolder)
{
    EXPECT_EQ(safeFileName("GAME.BAS"), "GAME.BAS");
    EXPECT_EQ(safeFileName("\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.BAS"), "\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.BAS");
    EXPECT_EQ(safeFileName(".."), "__");
    EXPECT_EQ(safeFileName("."), "_");
    EXPECT_EQ(safeFileName(""), "_");
    EXPECT_EQ(safeFileName("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(safeFileName("/abs"), "_abs");
    EXPECT_EQ(safeFileName("a\\b:c*d?e\"f<g>h|i"), "a_b_c_d_e_f_g_h_i");
    EXPECT_EQ(safeFileName(std::string("bad\x01\x7F\n", 6)), "bad___");
    EXPECT_EQ(safeFileName("NAME. "), "NAME__");
    EXPECT_EQ(safeFileName("CON"), "_CON");
    EXPECT_EQ(safeFileName("con.txt"), "_con.txt");
    EXPECT_EQ(safeFileName("LPT1.BAS"), "_LPT1.BAS");
    EXPECT_EQ(safeFileName("CONSOLE"), "CONSOLE");
    EXPECT_EQ(safeFileName("\xFF\xFE"), "\xEF\xBF\xBD\xEF\xBF\xBD") << "malformed UTF-8 as U+FFFD";
    std::string kana = "a";
    for (int i = 0; i < 100; ++i)
        kana += "\xE3\x82\xB2"; // ゲ
    const std::string shortened = safeFileName(kana);
    EXPECT_EQ(shortened.size(), 238u) << "79 whole characters after the a, none cut";
    EXPECT_TRUE(isValidUtf8(shortened));
}
