// SPDX-License-Identifier: MIT
// quillet-convert's disk commands (--new-disk, --put, --delete, --mkdir and
// --tokenize into a disk), each result read back by the reader and mtools;
// every refusal leaves every file as it was.

#include "ConvertRunner.h"
#include "container/DiskWriter.h"
#include "convert/ConvertCli.h"
#include "support/ArchiveBuilder.h"
#include "support/DiskCheck.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sys/stat.h>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

const std::string Program = hexBytes("FF 09 80 0A 00 91 20 22 48 49 22 00  00 00 # 10 PRINT \"HI\"");
const std::string Listing = "10 PRINT \"HI\"\r\n20 GOTO 10\r\n";

// Gives the file the local time as its modification time.
void setModified(const fs::path& path, const MemberDate& date)
{
    std::tm local{};
    local.tm_year = date.year - 1900;
    local.tm_mon = date.month - 1;
    local.tm_mday = date.day;
    local.tm_hour = date.hour;
    local.tm_min = date.minute;
    local.tm_sec = date.second;
    local.tm_isdst = -1;
    const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Every file below `dir` with its bytes and mode.
std::map<std::string, std::pair<std::string, fs::perms>> snapshot(const fs::path& dir)
{
    std::map<std::string, std::pair<std::string, fs::perms>> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file())
            files[entry.path().lexically_relative(dir).string()] = {readFile(entry.path()),
                                                                    entry.status().permissions()};
    }
    return files;
}

} // namespace

TEST(DiskCli, CommandsChangeTheDiskAsAsked)
{
    ScratchDir dir;
    const std::string disk = (dir / "games.dsk").string();
    const MemberDate played{1991, 7, 21, 18, 30, 4};
    writeFile(dir / "game.bas", Program);
    writeFile(dir / "readme.txt", "HELLO\r\n");
    writeFile(dir / "title.sc7", "\xFE\x00\x00\x03\x00\x00\x00\x11\x22\x33\x44");
    fs::create_directory(dir / "new");
    writeFile(dir / "new" / "GAME.BAS", Program + "more");
    writeFile(dir / "prog.asc", Listing);
    for (const char* name : {"game.bas", "readme.txt", "title.sc7", "new/GAME.BAS"})
        setModified(dir / name, played);

    DiskModel model;
    std::set<std::string> folders;
    struct Step {
        std::vector<std::string> args;
        std::function<void()> expect;
    };
    const Step steps[] = {
        {{"--new-disk", disk, "--size", "360"}, [] {}},
        {{"--put", (dir / "game.bas").string(), (dir / "readme.txt").string(), disk},
         [&] {
             model["GAME.BAS"] = {Program, played};
             model["README.TXT"] = {"HELLO\r\n", played};
         }},
        {{"--mkdir", disk + "::games", disk + "::games/old"},
         [&] {
             folders = {"GAMES", "GAMES/OLD"};
         }},
        {{"--put", (dir / "title.sc7").string(), disk + "::GAMES"},
         [&] {
             model["GAMES/TITLE.SC7"] = {readFile(dir / "title.sc7"), played};
         }},
        {{"--put", (dir / "new" / "GAME.BAS").string(), disk},
         [&] {
             model["GAME.BAS"] = {Program + "more", played};
         }},
        {{"--delete", disk + "::readme.txt", disk + "::GAMES/OLD"},
         [&] {
             model.erase("README.TXT");
             folders.erase("GAMES/OLD");
         }},
        {{"--tokenize", (dir / "prog.asc").string(), disk + "::games/prog.bas"},
         [&] {
             ASSERT_EQ(runConvert({"--tokenize", (dir / "prog.asc").string(), (dir / "prog.bas").string()}).status,
                       cli::ExitOk);
             model["GAMES/PROG.BAS"] = {readFile(dir / "prog.bas"), std::nullopt};
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.args.front());
        const ConvertResult result = runConvert(step.args);
        ASSERT_EQ(result.status, cli::ExitOk) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, "");
        step.expect();
        expectDiskHolds(readFile(disk), model, folders);
    }
    EXPECT_EQ(fs::file_size(disk), 368640u);

    // The program tokenized into the disk lists back as its listing.
    const ConvertResult listed = runConvert({disk + "::GAMES/PROG.BAS", (dir / "back.asc").string()});
    ASSERT_EQ(listed.status, cli::ExitOk) << listed.err;
    EXPECT_EQ(readFile(dir / "back.asc"), Listing);
}

TEST(DiskCli, RefusalsLeaveEveryFileAsItWas)
{
    ScratchDir dir;
    const std::string disk = (dir / "disk.dsk").string();
    {
        DiskEditor editor(blankDiskImage(DiskFormat::DoubleSided720));
        editor.put("", "GAME.BAS", Program, {1990, 1, 1, 0, 0, 0});
        editor.makeFolder("DIR", {1990, 1, 1, 0, 0, 0});
        editor.put("DIR", "IN.TXT", "in", {1990, 1, 1, 0, 0, 0});
        editor.put("", "INNER.DSK", blankDiskImage(DiskFormat::SingleSided360), {1990, 1, 1, 0, 0, 0});
        writeFile(disk, editor.image());
    }
    const std::string zip = (dir / "games.zip").string();
    writeFile(zip, zipOf({{"disk.dsk", readFile(disk)}}));
    const std::string readOnly = (dir / "readonly.dsk").string();
    writeFile(readOnly, readFile(disk));
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string damaged = (dir / "damaged.dsk").string();
    {
        FatImageBuilder builder(FatLayout::doubleSided720k());
        builder.addFile("", "GAME.BAS", Program);
        builder.addRawEntry("", FatImageBuilder::entry("TWIN.BAS", 0x20, 2, 14));
        writeFile(damaged, builder.bytes());
    }
    // A disk filled to its last cluster.
    const std::string full = (dir / "full.dsk").string();
    writeFile(dir / "fill.dat", std::string(362496, 'f'));
    ASSERT_EQ(runConvert({"--new-disk", full, "--size", "360"}).status, cli::ExitOk);
    const ConvertResult filled = runConvert({"--put", (dir / "fill.dat").string(), full});
    ASSERT_EQ(filled.status, cli::ExitOk) << filled.err;
    expectDiskHolds(readFile(full), {{"FILL.DAT", {std::string(362496, 'f'), std::nullopt}}});

    fs::create_directory(dir / "other");
    writeFile(dir / "game.bas", Program);
    writeFile(dir / "other" / "GAME.BAS", Program);
    writeFile(dir / "one.txt", "1");
    writeFile(dir / "bad name.txt", "x");
    writeFile(dir / "prog.asc", Listing);
    const std::string game = (dir / "game.bas").string();

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--put", game, zip + "::disk.dsk"}, "inside another container cannot be written; extract it first"},
        {{"--put", game, disk + "::INNER.DSK"}, "inside another container cannot be written"},
        {{"--tokenize", (dir / "prog.asc").string(), zip + "::disk.dsk::NEW.BAS"}, "inside another container"},
        {{"--put", game, zip}, "not a ZIP archive"},
        {{"--delete", zip + "::disk.dsk"}, "not a ZIP archive"},
        {{"--delete", zip + "::disk.dsk::GAME.BAS"}, "inside another container cannot be written"},
        {{"--tokenize", (dir / "prog.asc").string(), (dir / "prog.asc").string() + "::NEW.BAS"}, "no disk image"},
        {{"--put", game, (dir / "other" / "GAME.BAS").string(), disk}, "both become GAME.BAS"},
        {{"--put", game, readOnly}, "read-only"},
        {{"--put", (dir / "one.txt").string(), full}, "ONE.TXT needs 1 byte more than the disk has free"},
        {{"--mkdir", full + "::DIR"}, "needs 1024 bytes more"},
        {{"--put", game, damaged}, "cross-linked"},
        {{"--put", (dir / "bad name.txt").string(), disk}, "bad name.txt: not a name an MSX disk"},
        {{"--put", game, disk + "::NOWHERE"}, "no folder NOWHERE"},
        {{"--put", (dir / "missing.bas").string(), disk}, "missing.bas"},
        {{"--delete", disk + "::GAME.BAS", disk + "::NONE.BAS"}, "disk.dsk::NONE.BAS: no such member"},
        {{"--delete", disk + "::DIR"}, "the folder is not empty"},
        {{"--delete", damaged + "::GAME.BAS"}, "cross-linked"},
        {{"--mkdir", disk + "::NEW", disk + "::GAME.BAS"}, "GAME.BAS is there already"},
        {{"--new-disk", disk}, "in the way"},
    };
    const auto before = snapshot(dir.path());
    for (const auto& [args, said] : refused) {
        SCOPED_TRACE(args.front() + " " + args[1]);
        const ConvertResult result = runConvert(args);
        EXPECT_EQ(result.status, cli::ExitFailed);
        EXPECT_EQ(result.err.rfind("quillet-convert: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(said), std::string::npos) << result.err;
        EXPECT_TRUE(snapshot(dir.path()) == before) << "a file changed, or a new one was left";
    }
}
