// SPDX-License-Identifier: MIT
#include "app/SettingsStore.h"

#include "Unprivileged.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using quillet::app::parseStoredInteger;
using quillet::app::SettingsSection;
using quillet::app::SettingsStore;
using quillet::test::CheckResult;
using quillet::test::readFile;
using quillet::test::runUnprivileged;
using quillet::test::ScratchDir;
using quillet::test::writeFile;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view Section = SettingsSection;

mode_t modeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Restores an environment variable when the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name)
    {
        if (const char* value = std::getenv(name))
            saved_ = value;
    }
    ~EnvGuard()
    {
        if (saved_)
            ::setenv(name_, saved_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

} // namespace

TEST(SettingsStore, EmptyOrMissingStoreGivesDefaultsAndStaysUntouched)
{
    ScratchDir dir;
    const fs::path path = dir / "Quillet.ini";
    {
        SettingsStore store(path.string());
        EXPECT_EQ(store.readString(Section, "Font Name Ank", "MSX ROM 8dot"), "MSX ROM 8dot");
        EXPECT_EQ(store.readInteger(Section, "Screen Mode", 5), 5);
        EXPECT_TRUE(store.readBool(Section, "Is Reload", true));
        EXPECT_TRUE(store.close());
    }
    EXPECT_FALSE(fs::exists(path)) << "reading never creates the store";

    writeFile(path, "[Some\\Other]\nScreen Mode=8\n");
    SettingsStore store(path.string());
    EXPECT_EQ(store.readInteger(Section, "Screen Mode", 5), 5) << "a missing section gives the default";
}

TEST(SettingsStore, WritesNamesVerbatimAndValuesAsText)
{
    ScratchDir dir;
    const fs::path path = dir / "Vantre" / "Quillet.ini";
    {
        SettingsStore store(path.string());
        EXPECT_TRUE(store.writeString(Section, "version", "1.00"));
        EXPECT_TRUE(store.writeInteger(Section, "Background Color", 0xFFFFFF));
        EXPECT_TRUE(store.writeInteger(Section, "Map Code From 0xAD", -5));
        EXPECT_TRUE(store.writeBool(Section, "Is View Over Line65530", true));
        EXPECT_TRUE(store.writeBool(Section, "Is Stretch", false));
        EXPECT_TRUE(store.writeString(Section, "Font Name Kanji", "ＭＳ ゴシック"));
        EXPECT_TRUE(store.writeString(Section, "Temp File Dir", " /tmp/with blanks/ "));
    }
    EXPECT_EQ(readFile(path), "[Vantre\\Quillet]\n"
                              "version=1.00\n"
                              "Background Color=16777215\n"
                              "Map Code From 0xAD=-5\n"
                              "Is View Over Line65530=1\n"
                              "Is Stretch=0\n"
                              "Font Name Kanji=ＭＳ ゴシック\n"
                              "Temp File Dir= /tmp/with blanks/ \n");
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(path.parent_path()), 0700u);

    SettingsStore store(path.string());
    EXPECT_EQ(store.readInteger(Section, "Map Code From 0xAD", 0), -5);
    EXPECT_EQ(store.readString(Section, "Temp File Dir", ""), " /tmp/with blanks/ ");
}

TEST(SettingsStore, IntegersParseOnlyWhenTheWholeTextIsANumber)
{
    EXPECT_EQ(parseStoredInteger("16777215"), 16777215);
    EXPECT_EQ(parseStoredInteger("-1"), -1);
    EXPECT_EQ(parseStoredInteger("+7"), 7);
    EXPECT_EQ(parseStoredInteger(" \t42 "), 42);
    EXPECT_EQ(parseStoredInteger("2147483647"), 2147483647);
    EXPECT_EQ(parseStoredInteger("-2147483648"), -2147483647 - 1);
    for (std::string_view junk : {"", " ", "-", "+", "abc", "12abc", "1 2", "0x10", "1.5", "1e3", "--1", "2147483648",
                                  "-2147483649", "99999999999999999999999"})
        EXPECT_FALSE(parseStoredInteger(junk)) << '"' << junk << '"';
}

TEST(SettingsStore, StoredTextsReadAsTheirTypes)
{
    ScratchDir dir;
    const fs::path path = dir / "Quillet.ini";
    writeFile(path, "[Vantre\\Quillet]\n"
                    "Is Reload=2\n"
                    "Is ANK Mode=0\n"
                    "Is Stretch=yes\n"
                    "Font Size=twelve\n"
                    "Screen Mode= 8\r\n"
                    "Font Color=\n"
                    "Font Name Ank=\xFF\xFE broken\n"
                    "Font Name Kanji=\n");
    SettingsStore store(path.string());
    EXPECT_TRUE(store.readBool(Section, "Is Reload", false)) << "any non-zero number is true";
    EXPECT_FALSE(store.readBool(Section, "Is ANK Mode", true));
    EXPECT_TRUE(store.readBool(Section, "Is Stretch", true)) << "junk gives the default";
    EXPECT_EQ(store.readInteger(Section, "Font Size", 12), 12);
    EXPECT_EQ(store.readInteger(Section, "Screen Mode", 5), 8);
    EXPECT_EQ(store.readInteger(Section, "Font Color", 3), 3);
    EXPECT_EQ(store.readString(Section, "Font Name Ank", "MSX ROM 8dot"), "MSX ROM 8dot")
        << "text that is not UTF-8 gives the default";
    EXPECT_EQ(store.readString(Section, "Font Name Kanji", "default"), "") << "an empty text is a text";
}

TEST(SettingsStore, UnknownContentIsKeptAsItWas)
{
    ScratchDir dir;
    const fs::path path = dir / "Quillet.ini";
    const std::string before = "; edited by hand\r\n"
                               "[Somebody\\Else]\r\n"
                               "Screen Mode=11\r\n"
                               "\r\n"
                               "[Vantre\\Quillet]\r\n"
                               "Future Option = kept as written \r\n"
                               "Screen Mode=5\r\n"
                               "a line without an equals sign\r\n"
                               "# trailing comment\r\n";
    writeFile(path, before);
    {
        SettingsStore store(path.string());
        store.writeInteger(Section, "Screen Mode", 7);
        store.writeString(Section, "Last Open Dir", "/home/u/msx/");
        EXPECT_TRUE(store.close());
    }
    EXPECT_EQ(readFile(path), "; edited by hand\r\n"
                              "[Somebody\\Else]\r\n"
                              "Screen Mode=11\r\n"
                              "\r\n"
                              "[Vantre\\Quillet]\r\n"
                              "Future Option = kept as written \r\n"
                              "Screen Mode=7\r\n"
                              "Last Open Dir=/home/u/msx/\r\n"
                              "a line without an equals sign\r\n"
                              "# trailing comment\r\n");
}

TEST(SettingsStore, WritesAreSeenAtOnceAndCommittedAtClose)
{
    ScratchDir dir;
    const fs::path path = dir / "Quillet.ini";
    SettingsStore store(path.string());
    store.writeInteger(Section, "Screen Mode", 8);
    EXPECT_EQ(store.readInteger(Section, "Screen Mode", 5), 8);
    EXPECT_FALSE(fs::exists(path)) << "nothing is written before the store is closed";
    {
        SettingsStore other(path.string());
        other.writeInteger(Section, "Active Page Index", 1);
    } // the destructor commits

    EXPECT_TRUE(store.close());
    EXPECT_EQ(readFile(path), "[Vantre\\Quillet]\nActive Page Index=1\nScreen Mode=8\n")
        << "the commit re-reads the file, so the other writer's value stays";
    EXPECT_EQ(store.readInteger(Section, "Active Page Index", 0), 1);
}

TEST(SettingsStore, AMadeValueIsMadeAgainFromTheFileAtCommit)
{
    ScratchDir dir;
    const fs::path path = dir / "Quillet.ini";
    const auto append = [](std::string item) {
        return [item](std::optional<std::string_view> held) {
            return held && !held->empty() ? std::string(*held) + "," + item : item;
        };
    };
    // Both openings read the file before either commits, as two instances
    // opening files at the same moment do.
    SettingsStore first(path.string());
    SettingsStore second(path.string());
    ASSERT_TRUE(first.writeMade(Section, "List", append("a")));
    ASSERT_TRUE(second.writeMade(Section, "List", append("b")));
    EXPECT_EQ(second.readString(Section, "List", ""), "b") << "made at once for this opening's reads";
    ASSERT_TRUE(second.writeMade(Section, "List", append("c")));
    EXPECT_TRUE(first.close());
    EXPECT_TRUE(second.close());
    EXPECT_EQ(readFile(path), "[Vantre\\Quillet]\nList=a,b,c\n") << "no opening's change is lost";

    SettingsStore third(path.string());
    EXPECT_FALSE(third.writeMade(Section, "Two\nLines", append("x")));
    ASSERT_TRUE(third.writeMade(Section, "List", [](auto) { return std::string("line\nbreak"); }));
    EXPECT_TRUE(third.close());
    EXPECT_EQ(readFile(path), "[Vantre\\Quillet]\nList=a,b,c\n") << "a value that cannot be stored is left out";
}

TEST(SettingsStore, TextsThatCannotBeReadBackAreRefused)
{
    ScratchDir dir;
    const fs::path path = dir / "Quillet.ini";
    {
        SettingsStore store(path.string());
        EXPECT_FALSE(store.writeString(Section, "Temp File Dir", "/tmp/a\n[Injected]\nx=1"));
        EXPECT_FALSE(store.writeString(Section, "Bad=Name", "1"));
        EXPECT_FALSE(store.writeInteger("Bad]Section", "Screen Mode", 5));
        EXPECT_EQ(store.readString(Section, "Temp File Dir", "unchanged"), "unchanged");
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST(SettingsStore, DamagedFilesAreSurvived)
{
    ScratchDir dir;

    // Binary garbage: nothing in it is read, and it stays after a write.
    const fs::path garbage = dir / "garbage.ini";
    std::string noise;
    for (int i = 0; i < 5000; ++i)
        noise += static_cast<char>((i * 7919 + i / 13) & 0xFF);
    writeFile(garbage, noise);
    {
        SettingsStore store(garbage.string());
        EXPECT_EQ(store.readInteger(Section, "Screen Mode", 5), 5);
        store.writeInteger(Section, "Screen Mode", 6);
        EXPECT_TRUE(store.close());
    }
    EXPECT_TRUE(readFile(garbage).starts_with(noise));
    EXPECT_EQ(SettingsStore(garbage.string()).readInteger(Section, "Screen Mode", 5), 6);

    // A huge file is neither read nor replaced.
    const fs::path huge = dir / "huge.ini";
    std::string hugeText = "[Vantre\\Quillet]\nScreen Mode=8\n";
    hugeText.resize(quillet::app::MaxStoreBytes + 1, ';');
    writeFile(huge, hugeText);
    {
        SettingsStore store(huge.string());
        EXPECT_EQ(store.readInteger(Section, "Screen Mode", 5), 5);
        store.writeInteger(Section, "Screen Mode", 7);
        EXPECT_FALSE(store.close());
    }
    EXPECT_EQ(fs::file_size(huge), hugeText.size());

    // A directory or a FIFO where the file should be: no hang, no crash.
    const fs::path directory = dir / "directory.ini";
    fs::create_directory(directory);
    const fs::path fifo = dir / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& path : {directory, fifo}) {
        SettingsStore store(path.string());
        EXPECT_EQ(store.readString(Section, "Font Name Ank", "default"), "default") << path;
        store.writeInteger(Section, "Screen Mode", 7);
        EXPECT_FALSE(store.close()) << path;
    }
    EXPECT_TRUE(fs::is_directory(directory));
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A store below a regular file cannot be written.
    writeFile(dir / "plain", "x");
    SettingsStore below((dir / "plain" / "Quillet.ini").string());
    below.writeInteger(Section, "Screen Mode", 7);
    EXPECT_FALSE(below.close());
}

// A commit that fails says why, and leaves what is there as it was: a file
// its owner made read-only is not replaced, though its folder would allow it.
TEST(SettingsStore, AFailedCommitSaysWhy)
{
    ScratchDir dir;
    fs::permissions(dir.path(), fs::perms::all); // the unprivileged cases work here
    const std::string kept = "[Vantre\\Quillet]\nScreen Mode=8\n";
    struct Case {
        const char* what;
        std::function<fs::path(const fs::path& in)> make; // the store's path
        quillet::ErrorKind cause;
        bool unprivileged = false; // permissions bind only ordinary users
    };
    const Case cases[] = {
        {"a folder in its place",
         [](const fs::path& in) {
             fs::create_directory(in / "Quillet.ini");
             return in / "Quillet.ini";
         },
         quillet::ErrorKind::NotRegularFile},
        {"over the size limit",
         [](const fs::path& in) {
             writeFile(in / "Quillet.ini", std::string(quillet::app::MaxStoreBytes + 1, ';'));
             return in / "Quillet.ini";
         },
         quillet::ErrorKind::TooLarge},
        {"below a file",
         [](const fs::path& in) {
             writeFile(in / "plain", "x");
             return in / "plain" / "Quillet.ini";
         },
         quillet::ErrorKind::CreateFailed},
        {"a read-only file",
         [&](const fs::path& in) {
             writeFile(in / "Quillet.ini", kept);
             fs::permissions(in / "Quillet.ini", fs::perms::owner_read | fs::perms::others_read);
             return in / "Quillet.ini";
         },
         quillet::ErrorKind::PermissionDenied, true},
        {"a read-only folder",
         [&](const fs::path& in) {
             writeFile(in / "Quillet.ini", kept);
             fs::permissions(in / "Quillet.ini", fs::perms::all);
             fs::permissions(in, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read
                                     | fs::perms::others_exec);
             return in / "Quillet.ini";
         },
         quillet::ErrorKind::PermissionDenied, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path in = dir / std::to_string(++n);
        fs::create_directory(in);
        fs::permissions(in, fs::perms::all);
        const fs::path path = c.make(in);
        const std::string before = fs::is_regular_file(path) ? readFile(path) : std::string();
        const auto failsWith = [&] {
            SettingsStore store(path.string());
            store.writeInteger(Section, "Screen Mode", 7);
            return !store.close() && store.failure() == c.cause;
        };
        if (!c.unprivileged) {
            EXPECT_TRUE(failsWith());
        } else {
            const CheckResult result = runUnprivileged(failsWith);
            if (result == CheckResult::NoUnprivilegedUser)
                continue;
            EXPECT_EQ(result, CheckResult::Passed);
        }
        if (fs::is_regular_file(path))
            EXPECT_EQ(readFile(path), before) << "left as it was";
        fs::permissions(in, fs::perms::all);
    }
    SettingsStore fine((dir / "fine.ini").string());
    fine.writeInteger(Section, "Screen Mode", 7);
    EXPECT_TRUE(fine.close());
    EXPECT_FALSE(fine.failure());
}

TEST(SettingsStore, UnreadableFileGivesDefaultsAndIsNotReplaced)
{
    ScratchDir dir;
    fs::permissions(dir.path(), fs::perms::all); // the unprivileged check makes its lock here
    const fs::path path = dir / "Quillet.ini";
    writeFile(path, "[Vantre\\Quillet]\nScreen Mode=8\n");
    fs::permissions(path, fs::perms::none);
    CheckResult result = runUnprivileged([&] {
        SettingsStore store(path.string());
        bool defaulted = store.readInteger(Section, "Screen Mode", 5) == 5;
        store.writeInteger(Section, "Screen Mode", 7);
        return defaulted && !store.close();
    });
    if (result == CheckResult::NoUnprivilegedUser)
        GTEST_SKIP() << "cannot run as an ordinary user";
    EXPECT_EQ(result, CheckResult::Passed);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readFile(path), "[Vantre\\Quillet]\nScreen Mode=8\n");
}

TEST(SettingsStore, ReplacingKeepsTheFilesModeAndLink)
{
    ScratchDir dir;
    const fs::path real = dir / "dotfiles" / "Quillet.ini";
    fs::create_directory(real.parent_path());
    writeFile(real, "[Vantre\\Quillet]\nScreen Mode=8\n");
    ::chmod(real.c_str(), 0644);
    const fs::path link = dir / "Quillet.ini";
    fs::create_symlink(real, link);

    SettingsStore store(link.string());
    EXPECT_EQ(store.readInteger(Section, "Screen Mode", 5), 8);
    store.writeInteger(Section, "Screen Mode", 12);
    EXPECT_TRUE(store.close());

    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), "[Vantre\\Quillet]\nScreen Mode=12\n");
    EXPECT_EQ(modeOf(real), 0644u);
    // The written-beside file was renamed away, none is left over.
    EXPECT_EQ(std::distance(fs::directory_iterator(real.parent_path()), fs::directory_iterator()), 1);
}

TEST(SettingsStore, DefaultPathFollowsXdgConfigHome)
{
    EnvGuard configHome("XDG_CONFIG_HOME");
    EnvGuard home("HOME");
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "/custom/config/", 1);
    EXPECT_EQ(SettingsStore::defaultPath(), "/custom/config/Vantre/Quillet.ini");
    for (const char* unusable : {"", "relative/dir"}) {
        ::setenv("XDG_CONFIG_HOME", unusable, 1);
        EXPECT_EQ(SettingsStore::defaultPath(), "/home/someone/.config/Vantre/Quillet.ini") << unusable;
    }
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsStore::defaultPath(), "/home/someone/.config/Vantre/Quillet.ini");
}

TEST(SettingsStore, NextWriteRemovesWhatKilledWritersLeft)
{
    ScratchDir dir;
    const fs::path store = dir / "Quillet.ini";
    writeFile(store, "[Vantre\\Quillet]\nFont Size=12\n");
    // What a writer killed before its rename leaves, and what is not ours.
    writeFile(dir / "Quillet.ini.partial-a1B2c3", "half");
    writeFile(dir / "Quillet.ini.partial-Zz9yX8", "");
    writeFile(dir / "Quillet.ini.lock", "");
    writeFile(dir / "Quillet.ini.backup", "someone's copy");
    writeFile(dir / "Quillet.ini.a1B2c3", "an older program's");
    writeFile(dir / "Other.ini.partial-a1B2c3", "another program's");
    fs::create_directory(dir / "Quillet.ini.partial-dir123");

    SettingsStore settings(store.string());
    ASSERT_TRUE(settings.writeInteger(SettingsSection, "Font Size", 14));
    ASSERT_TRUE(settings.close());

    EXPECT_FALSE(fs::exists(dir / "Quillet.ini.partial-a1B2c3"));
    EXPECT_FALSE(fs::exists(dir / "Quillet.ini.partial-Zz9yX8"));
    for (const char* kept :
         {"Quillet.ini.lock", "Quillet.ini.backup", "Quillet.ini.a1B2c3", "Other.ini.partial-a1B2c3"})
        EXPECT_TRUE(fs::exists(dir / kept)) << kept;
    EXPECT_TRUE(fs::is_directory(dir / "Quillet.ini.partial-dir123")) << "only files are removed";
    EXPECT_EQ(SettingsStore(store.string()).readInteger(SettingsSection, "Font Size", 0), 14);
}
