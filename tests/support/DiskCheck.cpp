// SPDX-License-Identifier: MIT
#include "support/DiskCheck.h"

#include "container/DiskWriter.h"
#include "container/Readers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace quillet::test {

namespace {

auto dateTuple(const MemberDate& d)
{
    return std::make_tuple(d.year, d.month, d.day, d.hour, d.minute, d.second);
}

} // namespace

bool haveMtools()
{
    return std::system("command -v mdir >/dev/null 2>&1 && command -v mcopy >/dev/null 2>&1") == 0;
}

std::string runMtools(const std::string& command)
{
    std::string out;
    if (std::FILE* pipe = popen(("MTOOLS_SKIP_CHECK=1 " + command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, got);
        pclose(pipe);
    }
    return out;
}

void expectDiskHolds(const std::string& image, const DiskModel& model, const std::set<std::string>& folders)
{
    const auto disk = openDiskImage(image);
    EXPECT_TRUE(disk->problems().empty()) << disk->problems().front();
    std::set<std::string> files, readFolders;
    for (const MemberInfo& info : disk->members()) {
        if (info.kind == MemberKind::Folder) {
            readFolders.insert(info.path);
            continue;
        }
        files.insert(info.path);
        ASSERT_EQ(info.status, MemberStatus::Ok) << info.path;
        const auto wanted = model.find(info.path);
        if (wanted == model.end())
            continue;
        EXPECT_EQ(disk->read(*disk->find(info.path)), wanted->second.bytes) << info.path;
        ASSERT_TRUE(info.date) << info.path;
        if (wanted->second.date)
            EXPECT_EQ(dateTuple(*info.date), dateTuple(*wanted->second.date)) << info.path;
    }
    std::set<std::string> names;
    for (const auto& [path, expected] : model)
        names.insert(path);
    EXPECT_EQ(files, names);
    EXPECT_EQ(readFolders, folders);
    EXPECT_NO_THROW(DiskEditor{image}) << "a disk the editor wrote is one it writes again";

    if (!haveMtools())
        return;
    ScratchDir dir;
    const auto file = dir / "disk.dsk";
    writeFile(file, image);
    std::set<std::string> listedFiles, listedFolders;
    const std::string bare = runMtools("mdir -/ -a -b -i '" + file.string() + "' ::");
    for (std::size_t start = 0, end; (end = bare.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = bare.substr(start, end - start);
        if (line.rfind("::/", 0) != 0)
            continue;
        if (line.back() == '/')
            listedFolders.insert(line.substr(3, line.size() - 4));
        else
            listedFiles.insert(line.substr(3));
    }
    EXPECT_EQ(listedFiles, names) << "mdir";
    EXPECT_EQ(listedFolders, folders) << "mdir";
    for (const auto& [path, expected] : model) {
        const auto copy = dir / "copy";
        std::filesystem::remove(copy);
        runMtools("mcopy -n -o -i '" + file.string() + "' '::/" + path + "' '" + copy.string() + "'");
        ASSERT_TRUE(std::filesystem::exists(copy)) << "mcopy could not read " << path;
        EXPECT_EQ(readFile(copy), expected.bytes) << "mcopy " << path;
    }
}

} // namespace quillet::test
