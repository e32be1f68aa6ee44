// SPDX-License-Identifier: MIT
// Containers made to keep a reader busy without end, made small here and
// met with limits lower still: each stops with the limit named, after the
// members within it, and a disk's clusters are read for one file only.

#include "ConvertRunner.h"
#include "convert/ConvertCli.h"
#include "support/ArchiveBuilder.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"

#include <archive.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

std::size_t filesBelow(const fs::path& dir)
{
    std::size_t count = 0;
    if (fs::exists(dir)) {
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            count += entry.is_regular_file();
    }
    return count;
}

std::size_t lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// 64 entries, in the root and in a folder, all on the one chain of the first.
std::string crossLinkedDisk()
{
    FatImageBuilder disk(FatLayout::doubleSided720k());
    const std::string data(5000, 'x');
    const std::uint32_t first = disk.addFile("", "FILE00.DAT", data);
    disk.addFolder("", "DIR");
    for (int i = 1; i < 64; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "FILE%02d  DAT", i);
        disk.addRawEntry(i % 4 ? "" : "DIR", FatImageBuilder::entry(name, FatImageBuilder::Archive, first, 5000));
    }
    return disk.bytes();
}

// A tape of nothing but block headers.
std::string bareHeaders()
{
    const std::string header("\x1F\xA6\xDE\xBA\xCC\x13\x7D\x74", 8);
    std::string tape;
    for (int i = 0; i < 4096; ++i)
        tape += header;
    return tape;
}

std::vector<ArchiveEntry> members(int count, std::size_t size)
{
    std::vector<ArchiveEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({"m" + std::to_string(i) + ".dat", std::string(size, static_cast<char>('a' + i % 26))});
    return entries;
}

// Four copies of an archive in an archive, five levels deep: 4^5 members.
std::string fanOut()
{
    std::string bytes = writeArchive(archive_write_set_format_zip, members(4, 10));
    for (int level = 0; level < 4; ++level) {
        std::vector<ArchiveEntry> copies;
        for (int i = 0; i < 4; ++i)
            copies.push_back({"c" + std::to_string(i) + ".zip", bytes});
        bytes = writeArchive(archive_write_set_format_zip, copies);
    }
    return bytes;
}

} // namespace

TEST(WorkLimits, CraftedContainersStopAtANamedLimit)
{
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> limits;
        int listStatus, extractStatus;
        std::string said; // on standard error, by both commands
        std::size_t maxListed, maxWritten;
    } cases[] = {
        {"cross.dsk",
         crossLinkedDisk(),
         {},
         cli::ExitOk,
         cli::ExitFailed,
         "files share clusters (a cross-linked FAT)",
         65, // and the folder's row
         1},
        {"bare.cas", bareHeaders(), {}, cli::ExitOk, cli::ExitOk, "block headers with no block after them", 1, 1},
        {"many.zip",
         writeArchive(archive_write_set_format_zip, members(50, 10)),
         {"--max-members", "20"},
         cli::ExitFailed,
         cli::ExitFailed,
         "more than 20 members (the limit is raised with --max-members)",
         0,
         0},
        {"fan.zip",
         fanOut(),
         {"--max-members", "100"},
         cli::ExitFailed,
         cli::ExitFailed,
         "more than 100 members",
         100,
         100},
        {"big.zip",
         writeArchive(archive_write_set_format_zip, members(8, 64 * 1024)),
         {"--max-total-size", "256K"},
         cli::ExitOk,
         cli::ExitFailed,
         "",
         8,
         4},
        {"big.tgz",
         writeArchive(archive_write_set_format_pax_restricted, members(8, 64 * 1024), archive_write_add_filter_gzip),
         {"--max-total-size", "256K"},
         cli::ExitFailed,
         cli::ExitFailed,
         "more than 262144 bytes unpacked (the limit is raised with --max-total-size)",
         0,
         0},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        writeFile(dir / c.name, c.bytes);
        std::vector<std::string> list = c.limits, extract = c.limits;
        list.insert(list.end(), {"--list", (dir / c.name).string()});
        extract.insert(extract.end(), {"--extract-all", (dir / c.name).string(), (dir / "out").string()});

        const ConvertResult listed = runConvert(list);
        EXPECT_EQ(listed.status, c.listStatus) << c.name << ": " << listed.err;
        EXPECT_NE(listed.err.find(c.said), std::string::npos) << c.name << ": " << listed.err;
        EXPECT_LE(lines(listed.out), c.maxListed) << c.name;

        const ConvertResult extracted = runConvert(extract);
        EXPECT_EQ(extracted.status, c.extractStatus) << c.name << ": " << extracted.err;
        EXPECT_NE(extracted.err.find(c.said), std::string::npos) << c.name << ": " << extracted.err;
        EXPECT_LE(filesBelow(dir / "out"), c.maxWritten) << c.name;
    }
    // The size limit lets through what fits it, then says so.
    ScratchDir dir;
    writeFile(dir / "big.zip", cases[4].bytes);
    const ConvertResult extracted =
        runConvert({"--max-total-size", "256K", "--extract-all", (dir / "big.zip").string(), (dir / "out").string()});
    EXPECT_EQ(filesBelow(dir / "out"), 4u);
    EXPECT_NE(extracted.err.find("more than 262144 bytes unpacked"), std::string::npos) << extracted.err;
}

TEST(WorkLimits, CrossLinkedFilesKeepTheFirstAndReadEachClusterOnce)
{
    const auto disk = openContainer(crossLinkedDisk(), "cross.dsk");
    std::size_t readable = 0, shared = 0;
    for (const MemberInfo& info : disk->members()) {
        readable += isReadable(info.status) && info.kind != MemberKind::Folder;
        shared += info.status == MemberStatus::SharedClusters;
    }
    EXPECT_EQ(readable, 1u);
    EXPECT_EQ(shared, 63u);
    EXPECT_EQ(disk->read(*disk->find("FILE00.DAT")), std::string(5000, 'x'));
}

TEST(WorkLimits, ExtractionOfManyFoldersNeedsFewDescriptors)
{
    std::vector<ArchiveEntry> entries;
    for (int i = 0; i < 300; ++i)
        entries.push_back({"d" + std::to_string(i) + "/m.txt", std::to_string(i)});
    ScratchDir dir;
    writeFile(dir / "folders.zip", writeArchive(archive_write_set_format_zip, entries));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit few = saved;
    few.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
    const ConvertResult run = runConvert({"--extract-all", (dir / "folders.zip").string(), (dir / "out").string()});
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(run.status, cli::ExitOk) << run.err;
    EXPECT_EQ(filesBelow(dir / "out"), 300u);
    EXPECT_EQ(readFile(dir / "out/d299/m.txt"), "299");
}
