// SPDX-License-Identifier: MIT
// The saves that copy a temporary file to where the user chose, and the
// temporary folder taken at program start.

#include "app/SaveCopy.h"
#include "app/TempFiles.h"

#include "Unprivileged.h"
#include "common/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>

using namespace quillet;
using namespace quillet::app;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

QString q(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

// The kind copyReplacing fails with; ReadFailed with a failure recorded
// when it does not fail.
ErrorKind failureOf(const fs::path& from, const fs::path& to)
{
    try {
        copyReplacing(q(from), q(to));
    } catch (const QuilletError& error) {
        return error.kind();
    }
    ADD_FAILURE() << from << " -> " << to << " was taken for success";
    return ErrorKind::ReadFailed;
}

std::size_t entries(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

} // namespace

TEST(SaveCopy, ReplacesWholeOrLeavesTheOldFileAndSaysWhy)
{
    ScratchDir dir;
    const std::string big(200000, 'x');
    writeFile(dir / "listing.tmp", big);
    writeFile(dir / "out.bas", "old");
    copyReplacing(q(dir / "listing.tmp"), q(dir / "out.bas"));
    EXPECT_EQ(readFile(dir / "out.bas"), big);

    writeFile(dir / "out.bas", "old");
    EXPECT_EQ(failureOf(dir / "gone.tmp", dir / "out.bas"), ErrorKind::FileNotFound);
    EXPECT_EQ(failureOf(dir.path(), dir / "out.bas"), ErrorKind::NotRegularFile);
    EXPECT_EQ(failureOf(dir / "listing.tmp", dir / "no-such-folder" / "out.bas"), ErrorKind::FileNotFound);
    fs::create_directory(dir / "taken.bas");
    EXPECT_EQ(failureOf(dir / "listing.tmp", dir / "taken.bas"), ErrorKind::NotRegularFile);
    EXPECT_TRUE(fs::is_directory(dir / "taken.bas"));
    EXPECT_EQ(readFile(dir / "out.bas"), "old") << "a failed save touched the old file";
    EXPECT_EQ(entries(dir.path()), 3u) << "a failed save left a file behind";
}

TEST(SaveCopy, PermissionIsNamedAsTheCause)
{
    ScratchDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    writeFile(dir / "private.tmp", "secret");
    fs::permissions(dir / "private.tmp", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(dir / "closed");
    fs::permissions(dir / "closed", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    writeFile(dir / "open.tmp", "listing");
    fs::permissions(dir / "open.tmp", fs::perms::all);

    const CheckResult result = runUnprivileged([&] {
        auto kindOf = [](const fs::path& from, const fs::path& to) {
            try {
                copyReplacing(q(from), q(to));
            } catch (const QuilletError& error) {
                return static_cast<int>(error.kind());
            }
            return -1;
        };
        return kindOf(dir / "private.tmp", dir / "out.bas") == static_cast<int>(ErrorKind::PermissionDenied)
               && kindOf(dir / "open.tmp", dir / "closed" / "out.bas") == static_cast<int>(ErrorKind::PermissionDenied);
    });
    if (result == CheckResult::NoUnprivilegedUser)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_EQ(result, CheckResult::Passed);
    EXPECT_FALSE(fs::exists(dir / "closed" / "out.bas"));
}

TEST(TempFiles, StartFallsBackToTheSystemFolderForThisRun)
{
    ScratchDir dir;
    const fs::path system = dir / "system";
    fs::create_directory(system);
    setenv("TMPDIR", system.c_str(), 1);
    TempFiles temps;
    ASSERT_TRUE(temps.makeTempNames((dir / "removed").string() + "/"));
    EXPECT_EQ(temps.tempNameDir(), system.string() + "/");
    for (const std::string& path : {temps.asciiTempPath(), temps.rtfTempPath(), temps.bmpTempPath()})
        EXPECT_EQ(fs::path(path).parent_path(), system) << path;
    temps.deleteTempFiles();

    TempFiles configured;
    ASSERT_TRUE(configured.makeTempNames(dir.path().string() + "/"));
    EXPECT_EQ(fs::path(configured.asciiTempPath()).parent_path(), dir.path()) << "a usable folder is kept";
    configured.deleteTempFiles();
    unsetenv("TMPDIR");
}
