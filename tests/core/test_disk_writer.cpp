// SPDX-License-Identifier: MIT
// Disk images written by DiskEditor: each change read back by the reader
// and, where mtools is installed, by mdir and mcopy; full disks, bad names
// and damaged images refused; the corpus's real disks changed in place
// with everything else left as it was.

#include "common/Errors.h"
#include "container/Container.h"
#include "container/DiskWriter.h"
#include "container/Readers.h"
#include "support/DiskCheck.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <tuple>

using namespace quillet;
using namespace quillet::test;

namespace {

const std::string Program = hexBytes("FF 09 80 0A 00 91 20 22 48 49 22 00  00 00 # 10 PRINT \"HI\"");
constexpr MemberDate Date{1987, 3, 14, 15, 9, 26};

std::string filler(std::size_t size, unsigned seed)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 7 + seed * 13 + i / 251) & 0xFF);
    return out;
}

template <typename F> void expectRefused(F&& change, ErrorKind kind, const std::string& said)
{
    try {
        change();
        ADD_FAILURE() << "not refused; expected: " << said;
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), kind) << error.what();
        EXPECT_NE(std::string(error.what()).find(said), std::string::npos) << error.what();
    }
}

} // namespace

TEST(DiskWriter, BlankDisksAsMsxDosFormatsThem)
{
    struct Case {
        DiskFormat format;
        std::size_t size;
        std::uint8_t media;
        const char* mtoolsFree;
    };
    for (const Case& c : {Case{DiskFormat::DoubleSided720, 737280, 0xF9, "730 112 bytes free"},
                          Case{DiskFormat::SingleSided360, 368640, 0xF8, "362 496 bytes free"}}) {
        SCOPED_TRACE(c.size);
        const std::string image = blankDiskImage(c.format);
        ASSERT_EQ(image.size(), c.size);
        EXPECT_EQ(image.substr(0, 3), "\xEB\xFE\x90");
        EXPECT_EQ(image[0x1E], '\xC9') << "the boot code returns at once";
        EXPECT_EQ(image.substr(0x1FE, 2), "\x55\xAA");
        for (std::size_t fat : {512u, 512u + (c.media == 0xF9 ? 3u : 2u) * 512}) {
            EXPECT_EQ(static_cast<std::uint8_t>(image[fat]), c.media);
            EXPECT_EQ(image.substr(fat + 1, 2), "\xFF\xFF");
        }
        expectDiskHolds(image, {});
        if (haveMtools()) {
            ScratchDir dir;
            writeFile(dir / "blank.dsk", image);
            EXPECT_NE(runMtools("mdir -i '" + (dir / "blank.dsk").string() + "' ::").find(c.mtoolsFree),
                      std::string::npos);
        }
    }
}

TEST(DiskWriter, NamesAsMsxDosFormsThem)
{
    const std::pair<const char*, std::string> cases[] = {
        {"game.bas", "GAME    BAS"},
        {"LongFileName.text", "LONGFILETEX"},
        {"noext", "NOEXT      "},
        {"trail.", "TRAIL      "},
        {"a-b_c!~.$$$", "A-B_C!~ $$$"},
        {"\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.bas", "\x83\x51\x81\x5B\x83\x80  BAS"}, // ゲーム, full width
        {"\xEF\xBD\xB9\xEF\xBE\x9E.sc5", "\xB9\xDE      SC5"},                         // ｹﾞ, half width
        {"\xE8\x95\x81x", "\x05\x40X        "}, // 蕁 (E5 40): a first byte E5 is stored as 05
        // The cut never splits a double-byte character: a, then three of four.
        {"a\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88", "a\x82\xA0\x82\xA2\x82\xA4    "},
    };
    for (const auto& [name, entry] : cases) {
        std::string expected = entry;
        if (expected[0] == 'a')
            expected[0] = 'A';
        EXPECT_EQ(msxDosName(name), expected) << name;
    }

    // Each refusal names what MSX-DOS cannot hold.
    const std::pair<std::string, std::string> refused[] = {
        {"", "empty"},
        {".profile", "cannot start with \".\""},
        {"..", "cannot start with \".\""},
        {"a b.txt", "no blank"},
        {"game.bas.bak", "\".\" may only part"},
        {"tab\t.bas", "U+0009"},
        {std::string("nul\0.bas", 8), "U+0000"},
        {"del\x7F.bas", "U+007F"},
        {"c1\xC2\x85.bas", "U+0085"},
        {"bad\xFF.bas", "not UTF-8"},
        {"snow\xE2\x98\x83.bas", "\"\xE2\x98\x83\" has no form in code page 932"},
        {"yen\xC2\xA5.bas", "\"\xC2\xA5\" (the byte \"\\\")"},
        {"game.b*s", "\"*\""},
    };
    for (const auto& [name, said] : refused)
        expectRefused([&] { msxDosName(name); }, ErrorKind::BadName, said);
    for (const char c : std::string("\"*+,/:;<=>?[\\]|")) {
        const std::string name = std::string("a") + c + "b.bas";
        expectRefused([&] { msxDosName(name); }, ErrorKind::BadName, std::string("\"") + c + "\"");
    }
}

TEST(DiskWriter, AddReplaceRemoveAndFoldersReadBackByReaderAndMtools)
{
    DiskEditor editor(blankDiskImage(DiskFormat::DoubleSided720));
    DiskModel model;
    std::set<std::string> folders;
    const MemberDate later{2024, 5, 6, 12, 34, 57}; // odd seconds go down to the 2-second step
    struct Step {
        const char* what;
        std::function<void()> change;
        std::function<void()> expect;
    };
    const Step steps[] = {
        {"a file", [&] { editor.put("", "game.bas", Program, Date); }, [&] { model["GAME.BAS"] = {Program}; }},
        {"an empty file", [&] { editor.put("", "empty.txt", "", Date); }, [&] { model["EMPTY.TXT"] = {""}; }},
        {"a file of many clusters", [&] { editor.put("", "data.bin", filler(5000, 1), Date); },
         [&] { model["DATA.BIN"] = {filler(5000, 1)}; }},
        {"a folder", [&] { editor.makeFolder("GAMES", Date); }, [&] { folders.insert("GAMES"); }},
        {"a file in it, the folder named in another case",
         [&] { editor.put("games", "title.sc7", filler(1500, 2), later); },
         [&] {
             model["GAMES/TITLE.SC7"] = {filler(1500, 2), MemberDate{2024, 5, 6, 12, 34, 56}};
         }},
        {"a folder in a folder", [&] { editor.makeFolder("GAMES/OLD", Date); }, [&] { folders.insert("GAMES/OLD"); }},
        {"a file replaced by a larger one", [&] { editor.put("", "GAME.BAS", filler(3000, 3), later); },
         [&] {
             model["GAME.BAS"] = {filler(3000, 3), MemberDate{2024, 5, 6, 12, 34, 56}};
         }},
        {"a file replaced by an empty one", [&] { editor.put("", "Data.Bin", "", Date); },
         [&] { model["DATA.BIN"] = {""}; }},
        {"a file removed", [&] { editor.remove("empty.txt"); }, [&] { model.erase("EMPTY.TXT"); }},
        {"a file in its place", [&] { editor.put("", "new.txt", "NEW\r\n", Date); },
         [&] { model["NEW.TXT"] = {"NEW\r\n"}; }},
        {"an empty folder removed", [&] { editor.remove("GAMES/OLD"); }, [&] { folders.erase("GAMES/OLD"); }},
        {"a sub-folder grown past its first cluster",
         [&] {
             for (int i = 0; i < 40; ++i)
                 editor.put("GAMES", "F" + std::to_string(i), filler(100, i), Date);
         },
         [&] {
             for (int i = 0; i < 40; ++i)
                 model["GAMES/F" + std::to_string(i)] = {filler(100, i)};
         }},
        {"dates outside what DOS holds",
         [&] {
             editor.put("", "old.txt", "o", {1975, 6, 1, 10, 0, 0});
             editor.put("", "far.txt", "f", {2200, 1, 1, 0, 0, 0});
         },
         [&] {
             model["OLD.TXT"] = {"o", MemberDate{1980, 1, 1, 0, 0, 0}};
             model["FAR.TXT"] = {"f", MemberDate{2107, 12, 31, 23, 59, 58}};
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        step.expect();
        expectDiskHolds(editor.image(), model, folders);
    }

    // What is refused leaves the image as it was.
    const std::string before = editor.image();
    expectRefused([&] { editor.remove("GAMES"); }, ErrorKind::NotWritable, "the folder is not empty");
    expectRefused([&] { editor.remove("NONE.BAS"); }, ErrorKind::UnknownMember, "NONE.BAS");
    expectRefused([&] { editor.put("NOWHERE", "a.bas", "x", Date); }, ErrorKind::UnknownMember, "NOWHERE");
    expectRefused([&] { editor.put("GAME.BAS", "a.bas", "x", Date); }, ErrorKind::UnknownMember, "not a folder");
    expectRefused([&] { editor.put("", "games", "x", Date); }, ErrorKind::NameTaken, "GAMES is a folder");
    expectRefused([&] { editor.makeFolder("game.bas", Date); }, ErrorKind::NameTaken, "GAME.BAS");
    expectRefused([&] { editor.put("", "a:b", "x", Date); }, ErrorKind::BadName, "\":\"");
    EXPECT_TRUE(editor.image() == before) << "changed";
}

TEST(DiskWriter, FullDiskAndFullRootAreRefusedWhole)
{
    for (const DiskFormat format : {DiskFormat::SingleSided360, DiskFormat::DoubleSided720}) {
        const std::string blank = blankDiskImage(format);
        const std::size_t free = format == DiskFormat::SingleSided360 ? 362496 : 730112;
        DiskEditor editor(blank);
        // One byte more than the disk holds: nothing written.
        expectRefused([&] { editor.put("", "big.dat", filler(free + 1, 4), Date); }, ErrorKind::DiskFull,
                      "1 byte more than the disk has free");
        EXPECT_TRUE(editor.image() == blank) << "changed";
        // To the last cluster, then one byte past it.
        editor.put("", "big.dat", filler(free, 4), Date);
        const std::string full = editor.image();
        expectRefused([&] { editor.put("", "one.txt", "x", Date); }, ErrorKind::DiskFull, "1 byte more");
        expectRefused([&] { editor.makeFolder("DIR", Date); }, ErrorKind::DiskFull, "1024 bytes more");
        EXPECT_TRUE(editor.image() == full) << "changed";
        expectDiskHolds(full, {{"BIG.DAT", {filler(free, 4)}}});
        // A file of the same size replaces it: its own clusters are free for it.
        editor.put("", "BIG.DAT", filler(free, 5), Date);
        expectDiskHolds(editor.image(), {{"BIG.DAT", {filler(free, 5)}}});
    }

    // The root has 112 entries and cannot grow.
    DiskEditor editor(blankDiskImage(DiskFormat::DoubleSided720));
    DiskModel model;
    for (int i = 0; i < 112; ++i) {
        editor.put("", "R" + std::to_string(i), "", Date);
        model["R" + std::to_string(i)] = {""};
    }
    const std::string full = editor.image();
    expectRefused([&] { editor.put("", "ONE.MORE", "x", Date); }, ErrorKind::DiskFull,
                  "the root folder holds no more entries");
    expectRefused([&] { editor.makeFolder("DIR", Date); }, ErrorKind::DiskFull, "the root folder");
    EXPECT_TRUE(editor.image() == full) << "changed";
    // A replaced file takes no new entry.
    editor.put("", "R7", "seven", Date);
    model["R7"] = {"seven"};
    expectDiskHolds(editor.image(), model);
}

TEST(DiskWriter, DamagedImagesAreNotWritten)
{
    auto sound = [] {
        FatImageBuilder disk(FatLayout::doubleSided720k());
        disk.addFile("", "GAME.BAS", Program);
        disk.addFile("", "LONG.DAT", filler(3000, 1));
        disk.addFolder("", "DIR");
        disk.addFile("DIR", "IN.TXT", "in");
        return disk;
    };
    struct Damage {
        const char* what;
        std::function<std::string()> make;
        const char* said;
    };
    const Damage damaged[] = {
        {"loops",
         [&] {
             auto disk = sound();
             disk.setFat(disk.fat(disk.fat(3)), 3); // LONG.DAT's last cluster leads back to its first
             return disk.bytes();
         },
         "LONG.DAT: its cluster chain loops"},
        {"cross-linked",
         [&] {
             auto disk = sound();
             disk.addRawEntry("", FatImageBuilder::entry("TWIN.DAT", 0x20, 3, 3000));
             return disk.bytes();
         },
         "cross-linked"},
        {"a chain that goes on past the file's end into another file's",
         [&] {
             auto disk = sound();
             disk.setFat(2, 3); // GAME.BAS (one cluster) runs on into LONG.DAT
             return disk.bytes();
         },
         "LONG.DAT: its cluster chain shares clusters"},
        {"FAT copies that differ",
         [&] {
             auto disk = sound();
             disk.setFat(100, 0xFFF, 1);
             return disk.bytes();
         },
         "FAT copies disagree"},
        {"a folder inside itself",
         [&] {
             FatImageBuilder disk(FatLayout::doubleSided720k());
             const std::uint32_t dir = disk.addFolder("", "DIR");
             disk.addRawEntry("DIR", FatImageBuilder::entry("LOOP", 0x10, dir, 0));
             return disk.bytes();
         },
         "DIR/LOOP"},
        {"a folder whose first cluster is an end mark",
         [&] {
             auto disk = sound();
             disk.addRawEntry("", FatImageBuilder::entry("NOWHERE", 0x10, 0xFFF, 0));
             return disk.bytes();
         },
         "NOWHERE: damaged: the cluster chain leads off"},
        {"cut short", [&] { return sound().bytes().substr(0, 300000); }, "the image ends after 300000"},
        {"a boot sector that claims more sectors than the image holds",
         [&] {
             std::string bytes = sound().bytes();
             bytes[0x13] = static_cast<char>(0xA8); // 1448 sectors
             return bytes;
         },
         "the image ends after 737280 of its 741376"},
        {"a boot sector and a media byte that tell different disks",
         [&] {
             std::string bytes = sound().bytes();
             bytes[0x15] = static_cast<char>(0xF8);
             bytes[0x16] = 2;
             return bytes;
         },
         "different disks"},
        {"no boot sector, and a size the media byte does not give",
         [&] {
             std::string bytes = sound().bytes();
             std::fill_n(bytes.begin(), 512, '\0');
             return bytes + std::string(512, '\0');
         },
         "no sound boot sector"},
    };
    for (const Damage& damage : damaged) {
        SCOPED_TRACE(damage.what);
        const std::string image = damage.make();
        expectRefused([&] { DiskEditor{image}; }, ErrorKind::NotWritable, damage.said);
    }
    expectRefused([] { DiskEditor{std::string(1000, 'x')}; }, ErrorKind::NotAContainer, "no boot sector");

    // FAT16: more clusters than FAT12 counts.
    FatLayout big = FatLayout::doubleSided720k();
    big.totalSectors = 8400;
    big.sectorsPerCluster = 1;
    big.sectorsPerFat = 33;
    expectRefused([&] { DiskEditor{FatImageBuilder(big).bytes()}; }, ErrorKind::NotWritable, "FAT16");

    // A disk without a boot sector, of its media byte's size, is written
    // by the media byte's layout as MSX-DOS 1 reads it.
    std::string older = sound().bytes();
    std::fill_n(older.begin(), 512, '\0');
    DiskEditor editor(older);
    editor.put("", "NEW.TXT", "new", Date);
    EXPECT_EQ(editor.image().substr(0, 512), std::string(512, '\0'));
    const auto disk = openDiskImage(editor.image());
    EXPECT_EQ(disk->read(*disk->find("NEW.TXT")), "new");
    EXPECT_EQ(disk->read(*disk->find("DIR/IN.TXT")), "in");
}

TEST(DiskWriter, CorpusDisksKeepWhatIsNotChanged)
{
    if (corpusDir().empty())
        GTEST_SKIP() << "no corpus";
    int seen = 0;
    for (const char* name : {"hra-file_copy.dsk", "platty-demo.dsk", "platty-examples.dsk"}) {
        const auto path = corpusDir() / "containers" / name;
        if (!std::filesystem::exists(path))
            continue;
        ++seen;
        SCOPED_TRACE(name);
        const std::string original = readFile(path);
        const auto before = openDiskImage(original);
        ASSERT_GE(before->members().size(), 2u);
        const auto file = std::find_if(before->members().begin(), before->members().end(),
                                       [](const MemberInfo& info) { return info.kind != MemberKind::Folder; });
        ASSERT_NE(file, before->members().end());
        const std::string removed = file->path;

        DiskEditor editor(original);
        editor.remove(removed);
        editor.put("", "ADDED.BAS", Program, Date);
        const std::string& changed = editor.image();
        ASSERT_EQ(changed.size(), original.size());

        // Every other member as it was, bytes and date.
        DiskModel model{{"ADDED.BAS", {Program}}};
        std::set<std::string> folders;
        for (std::size_t i = 0; i < before->members().size(); ++i) {
            const MemberInfo& info = before->members()[i];
            if (info.kind == MemberKind::Folder)
                folders.insert(info.path);
            else if (info.path != removed) {
                ASSERT_TRUE(info.date) << info.path;
                model[info.path] = {before->read(i), *info.date};
            }
        }
        expectDiskHolds(changed, model, folders);

        // Outside the FATs and folders only the new file's one cluster changed.
        std::size_t dataChanged = 0;
        for (std::size_t i = 14 * 512; i < original.size(); ++i)
            dataChanged += original[i] != changed[i];
        EXPECT_LE(dataChanged, 1024u);
    }
    if (seen == 0)
        GTEST_SKIP() << "no corpus disks";
}
