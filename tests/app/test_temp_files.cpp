// SPDX-License-Identifier: MIT
#include "app/TempFiles.h"

#include "Unprivileged.h"
#include "common/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using namespace quillet::app;
using quillet::ErrorKind;
using quillet::QuilletError;
using quillet::test::CheckResult;
using quillet::test::readFile;
using quillet::test::runUnprivileged;
using quillet::test::ScratchDir;
using quillet::test::writeFile;
namespace fs = std::filesystem;

namespace {

// Hands out the given numbers in turn, then counts on from the last.
NameNumberSource numbersFrom(std::vector<std::uint32_t> numbers, int* calls = nullptr)
{
    auto index = std::make_shared<std::size_t>(0);
    return [numbers = std::move(numbers), index, calls]() {
        if (calls)
            ++*calls;
        std::size_t at = (*index)++;
        if (at < numbers.size())
            return numbers[at];
        return static_cast<std::uint32_t>(numbers.back() + (at - numbers.size() + 1));
    };
}

// A regular owner-only file named "MSX", hex digits, ".tmp" in `dir`.
void expectPrivateTempFile(const std::string& path, const fs::path& dir, bool empty = false)
{
    const fs::path file(path);
    EXPECT_EQ(file.parent_path(), dir);
    EXPECT_TRUE(std::regex_match(file.filename().string(), std::regex("MSX[0-9A-F]{8}\\.tmp"))) << path;
    struct stat info {};
    ASSERT_EQ(::lstat(path.c_str(), &info), 0) << path;
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    if (empty)
        EXPECT_EQ(info.st_size, 0);
}

void expectFreshTempFile(const std::string& path, const fs::path& dir)
{
    expectPrivateTempFile(path, dir, true);
}

// Expects CreateFailed naming `dir`.
template <class F> void expectCreateFailed(F&& make, const std::string& dir)
{
    try {
        make();
        ADD_FAILURE() << "no error";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::CreateFailed);
        EXPECT_NE(std::string(error.what()).find(dir), std::string::npos) << error.what();
    }
}

void writeAndClose(std::unique_ptr<quillet::FileSink> sink, std::string_view text)
{
    ASSERT_TRUE(sink);
    sink->write(text);
    sink->close();
}

} // namespace

TEST(TempFileName, CreatesAnEmptyPrivateFileWithTheMsxPrefix)
{
    ScratchDir dir;
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string path = getTempFileName(dir.path().string());
        expectFreshTempFile(path, dir.path());
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 50u);

    // With or without the trailing separator, the same directory.
    expectFreshTempFile(getTempFileName(dir.path().string() + "/"), dir.path());
    // No directory: the system's one.
    std::string inSystemDir = getTempFileName("");
    EXPECT_EQ(fs::path(inSystemDir).parent_path(), fs::path(getTempPath()).parent_path());
    fs::remove(inSystemDir);
    EXPECT_EQ(getTempPath().back(), '/');
}

TEST(TempFileName, NeverOpensANameThatIsTaken)
{
    ScratchDir dir;
    const fs::path victim = dir / "victim";
    writeFile(victim, "keep");
    fs::create_symlink(victim, dir / "MSX00000001.tmp");
    fs::create_symlink(dir / "nowhere", dir / "MSX00000002.tmp"); // dangling
    writeFile(dir / "MSX00000003.tmp", "someone else's");

    std::string path = getTempFileName(dir.path().string(), numbersFrom({1, 2, 3, 4}));
    EXPECT_EQ(path, (dir / "MSX00000004.tmp").string());
    expectFreshTempFile(path, dir.path());
    EXPECT_EQ(readFile(victim), "keep");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_EQ(readFile(dir / "MSX00000003.tmp"), "someone else's");
}

TEST(TempFileName, GivesUpAfterABoundedNumberOfTakenNames)
{
    ScratchDir dir;
    for (std::uint32_t n = 1; n <= MaxNameAttempts; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "MSX%08X.tmp", static_cast<unsigned>(n));
        fs::create_symlink(dir / "victim", dir / name);
    }
    int calls = 0;
    expectCreateFailed([&] { getTempFileName(dir.path().string(), numbersFrom({1}, &calls)); }, dir.path().string());
    EXPECT_EQ(calls, MaxNameAttempts);
    EXPECT_FALSE(fs::exists(dir / "victim"));
}

TEST(TempFileName, ADirectoryThatTakesNoFilesFailsAtOnce)
{
    ScratchDir dir;
    int calls = 0;
    const std::string missing = (dir / "missing").string();
    expectCreateFailed([&] { getTempFileName(missing, numbersFrom({1}, &calls)); }, missing);
    EXPECT_EQ(calls, 1) << "retrying cannot help";

    writeFile(dir / "plain", "");
    expectCreateFailed([&] { getTempFileName((dir / "plain").string()); }, (dir / "plain").string());
}

TEST(TempFileName, UnwritableDirectoryFails)
{
    ScratchDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::path locked = dir / "locked";
    fs::create_directory(locked);
    fs::permissions(locked,
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
    CheckResult result = runUnprivileged([&] {
        try {
            getTempFileName(locked.string());
        } catch (const QuilletError& error) {
            return error.kind() == ErrorKind::CreateFailed
                   && std::string(error.what()).find(locked.string()) != std::string::npos;
        }
        return false;
    });
    if (result == CheckResult::NoUnprivilegedUser)
        GTEST_SKIP() << "cannot run as an ordinary user";
    EXPECT_EQ(result, CheckResult::Passed);
    EXPECT_TRUE(fs::is_empty(locked));
    fs::permissions(locked, fs::perms::owner_all);
}

TEST(TempFiles, LongDirectoriesAreKeptWhole)
{
    ScratchDir dir;
    fs::path deep = dir.path();
    for (int i = 0; i < 3; ++i)
        deep /= std::string(100, static_cast<char>('a' + i));
    fs::create_directories(deep);
    ASSERT_GT(deep.string().size(), 255u);

    TempFiles temps;
    temps.setTempNameDir(deep.string() + "/");
    EXPECT_EQ(temps.tempNameDir(), deep.string() + "/");
    temps.makeAsciiTempName();
    expectFreshTempFile(temps.asciiTempPath(), deep);
    temps.deleteTempFiles();
}

TEST(TempFiles, ThreeNamesAtStartAndANewDirectoryForLaterOnes)
{
    ScratchDir first;
    ScratchDir second;
    TempFiles temps;
    EXPECT_EQ(temps.tempNameDir(), getTempPath());
    temps.setTempNameDir(first.path().string());
    temps.makeAsciiTempName();
    temps.makeRtfTempName();
    temps.makeBmpTempName();
    for (const std::string& path : {temps.asciiTempPath(), temps.rtfTempPath(), temps.bmpTempPath()})
        expectFreshTempFile(path, first.path());
    EXPECT_EQ(std::set<std::string>({temps.asciiTempPath(), temps.rtfTempPath(), temps.bmpTempPath()}).size(), 3u);
    EXPECT_EQ(temps.bmpPicturePath(), temps.bmpTempPath() + ".bmp");

    // A new directory moves nothing; the next name is made there and the
    // file named before stays.
    const std::string oldAscii = temps.asciiTempPath();
    temps.setTempNameDir(second.path().string());
    EXPECT_TRUE(fs::exists(temps.rtfTempPath()));
    temps.makeAsciiTempName();
    expectFreshTempFile(temps.asciiTempPath(), second.path());
    EXPECT_TRUE(fs::exists(oldAscii));

    // Output replaces the current file's content.
    writeAndClose(temps.createRtfOutput(), "a much longer first document");
    writeAndClose(temps.createRtfOutput(), "{\\rtf1}");
    EXPECT_EQ(fs::path(temps.rtfTempPath()).parent_path(), first.path());
    EXPECT_EQ(readFile(temps.rtfTempPath()), "{\\rtf1}");

    // A failed name leaves the path as it was.
    temps.setTempNameDir((second / "gone").string());
    const std::string current = temps.asciiTempPath();
    EXPECT_THROW(temps.makeAsciiTempName(), QuilletError);
    EXPECT_EQ(temps.asciiTempPath(), current);
    temps.deleteTempFiles();
}

TEST(TempFiles, OutputNeverWritesThroughWhatWasPutAtTheName)
{
    ScratchDir dir;
    const fs::path victim = dir / "victim";
    TempFiles temps;
    temps.setTempNameDir(dir.path().string());

    // A link, a second name of another file, a FIFO (which must not stall
    // the open): each time a fresh file takes the output.
    using Plant = void (*)(const fs::path& at, const fs::path& victim);
    const Plant plants[] = {
        [](const fs::path& at, const fs::path& target) { fs::create_symlink(target, at); },
        [](const fs::path& at, const fs::path& target) { fs::create_hard_link(target, at); },
        [](const fs::path& at, const fs::path&) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); },
    };
    for (Plant plant : plants) {
        writeFile(victim, "keep");
        temps.makeAsciiTempName();
        const std::string planted = temps.asciiTempPath();
        fs::remove(planted);
        plant(planted, victim);

        writeAndClose(temps.createAsciiOutput(), "10 END\r\n");
        EXPECT_NE(temps.asciiTempPath(), planted);
        expectPrivateTempFile(temps.asciiTempPath(), dir.path());
        EXPECT_EQ(readFile(temps.asciiTempPath()), "10 END\r\n");
        EXPECT_EQ(readFile(victim), "keep");
        fs::remove(planted);
    }
    temps.deleteTempFiles();
}

TEST(TempFiles, OutputFailsCleanlyWhenNoFileCanBeMade)
{
    ScratchDir dir;
    TempFiles temps;
    const fs::path sub = dir / "sub";
    fs::create_directory(sub);
    temps.setTempNameDir(sub.string());
    temps.makeRtfTempName();
    const std::string rtf = temps.rtfTempPath();
    fs::remove_all(sub);
    expectCreateFailed([&] { temps.createRtfOutput(); }, sub.string());
    EXPECT_EQ(temps.rtfTempPath(), rtf);
}

TEST(TempFiles, FreshOutputIsAdoptedOnlyOnSuccess)
{
    ScratchDir dir;
    TempFiles temps;
    temps.setTempNameDir(dir.path().string());
    temps.makeAsciiTempName();
    const std::string original = temps.asciiTempPath();
    writeAndClose(temps.createAsciiOutput(), "old listing");

    FreshOutput failed = temps.createFreshOutput();
    expectFreshTempFile(failed.path, dir.path());
    failed.sink->write("half");
    failed.sink.reset();
    TempFiles::discardTempFile(failed.path);
    EXPECT_FALSE(fs::exists(failed.path));
    EXPECT_EQ(temps.asciiTempPath(), original);
    EXPECT_EQ(readFile(original), "old listing");

    FreshOutput done = temps.createFreshOutput();
    writeAndClose(std::move(done.sink), "new listing");
    temps.adoptAsciiTempPath(done.path);
    EXPECT_EQ(temps.asciiTempPath(), done.path);
    EXPECT_EQ(readFile(done.path), "new listing");
    EXPECT_FALSE(fs::exists(original));
    temps.deleteTempFiles();
}

TEST(TempFiles, DeleteRemovesTheFourFilesAndPassesOverMissingOnes)
{
    ScratchDir dir;
    TempFiles temps;
    temps.setTempNameDir(dir.path().string());
    temps.makeAsciiTempName();
    temps.makeRtfTempName();
    temps.makeBmpTempName();
    writeFile(temps.bmpPicturePath(), "BM");
    writeFile(dir / "MSXFFFFFFFF.tmp", "another instance's");
    temps.deleteTempFiles();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(dir / "MSXFFFFFFFF.tmp"));
    EXPECT_TRUE(temps.asciiTempPath().empty());
    EXPECT_TRUE(temps.bmpPicturePath().empty());

    // No picture was ever made, one file is already gone, and a link stands
    // where another was: all passed over, nothing followed.
    const fs::path victim = dir / "victim";
    writeFile(victim, "keep");
    temps.makeAsciiTempName();
    temps.makeRtfTempName();
    temps.makeBmpTempName();
    fs::remove(temps.asciiTempPath());
    fs::remove(temps.rtfTempPath());
    fs::create_symlink(victim, temps.rtfTempPath());
    temps.deleteTempFiles();
    EXPECT_EQ(readFile(victim), "keep");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
    temps.deleteTempFiles(); // twice is harmless
}

TEST(TempFiles, DeleteWithoutNamesTouchesNothing)
{
    ScratchDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    writeFile(".bmp", "not ours");
    TempFiles temps;
    temps.deleteTempFiles();
    EXPECT_TRUE(fs::exists(dir / ".bmp"));
    fs::current_path(previous);
}

TEST(TempFiles, ExportFoldersArePrivateAndGoWithTheirContentsButNoFurther)
{
    ScratchDir dir;
    TempFiles temps;
    temps.setTempNameDir(dir.path().string());
    const fs::path first = temps.makeExportFolder();
    const fs::path second = temps.makeExportFolder();
    EXPECT_NE(first, second);
    EXPECT_EQ(first.parent_path(), dir.path());
    EXPECT_EQ(first.filename().string().rfind("MSX", 0), 0u);
    EXPECT_EQ(fs::status(first).permissions() & fs::perms::all, fs::perms::owner_all);

    // What was dragged out, a folder below it, and a link someone put in.
    const fs::path outside = dir / "outside";
    fs::create_directory(outside);
    writeFile(outside / "keep", "keep");
    writeFile(first / "GAME.BAS", "x");
    fs::create_directory(first / "sub");
    writeFile(first / "sub" / "deep", "y");
    fs::create_directory_symlink(outside, second / "link");
    temps.deleteTempFiles();
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(readFile(outside / "keep"), "keep") << "the link went, not what it points at";
}
