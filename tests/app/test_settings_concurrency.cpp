// SPDX-License-Identifier: MIT
// Several instances of the program share one store. These tests run real
// processes against it at the same time.

#include "app/SettingsStore.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using quillet::app::SettingsSection;
using quillet::app::SettingsStore;
using quillet::test::readFile;
using quillet::test::ScratchDir;
using quillet::test::writeFile;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view Section = SettingsSection;

// Runs `body` in a child process that exits 0 when it returns true.
pid_t spawn(const std::function<bool()>& body)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        bool ok = false;
        try {
            ok = body();
        } catch (...) {}
        ::_exit(ok ? 0 : 1);
    }
    return pid;
}

// Exit status of the child, or -1 when it had to be killed after `limit`.
int waitFor(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(60))
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int countOf(const std::string& text, std::string_view needle)
{
    int count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++count;
    return count;
}

// A snapshot any reader may see: whole lines, one section, the hand-made
// lines still in place.
bool looksWhole(const std::string& text)
{
    return !text.empty() && text.back() == '\n' && countOf(text, "[Vantre\\Quillet]\n") == 1
           && text.starts_with("; kept by hand\n");
}

std::string writerKey(int writer, int group)
{
    return "Writer " + std::to_string(writer) + " Group " + std::to_string(group);
}

} // namespace

TEST(SettingsConcurrency, SimultaneousWritersLoseNothing)
{
    constexpr int Rounds = 10;
    constexpr int Writers = 5;
    constexpr int Groups = 20;
    for (int round = 0; round < Rounds; ++round) {
        ScratchDir dir;
        const std::string path = (dir / "Quillet.ini").string();
        const fs::path done = dir / "done";
        writeFile(path, "; kept by hand\n[Vantre\\Quillet]\nUnknown=1\n");

        // The reader checks that every state of the file it sees is whole and
        // that values, once there, never go away.
        pid_t reader = spawn([&] {
            int seen = 0;
            while (!fs::exists(done)) {
                std::string text = readFile(path);
                int entries = countOf(text, "=");
                if (!looksWhole(text) || entries < seen)
                    return false;
                seen = entries;
            }
            return true;
        });
        std::vector<pid_t> writers;
        for (int writer = 0; writer < Writers; ++writer) {
            writers.push_back(spawn([&, writer] {
                for (int group = 0; group < Groups; ++group) {
                    SettingsStore store(path);
                    store.writeInteger(Section, writerKey(writer, group), group * 100 + writer);
                    store.writeInteger(Section, "Last Writer", writer);
                    if (!store.close())
                        return false;
                }
                return true;
            }));
        }
        for (pid_t pid : writers)
            EXPECT_EQ(waitFor(pid), 0) << "round " << round;
        writeFile(done, "");
        EXPECT_EQ(waitFor(reader), 0) << "round " << round;

        const std::string text = readFile(path);
        ASSERT_TRUE(looksWhole(text)) << text;
        SettingsStore store(path);
        for (int writer = 0; writer < Writers; ++writer) {
            for (int group = 0; group < Groups; ++group)
                EXPECT_EQ(store.readInteger(Section, writerKey(writer, group), -1), group * 100 + writer)
                    << "round " << round << ": " << writerKey(writer, group);
        }
        EXPECT_EQ(store.readInteger(Section, "Unknown", 0), 1);
        EXPECT_EQ(countOf(text, "Last Writer="), 1);
        EXPECT_EQ(countOf(text, "\n"), 3 + Writers * Groups + 1);
    }
}

TEST(SettingsConcurrency, AWriterKilledMidCommitLeavesAWholeFileAndNoLock)
{
    ScratchDir dir;
    const std::string path = (dir / "Quillet.ini").string();
    writeFile(path, "; kept by hand\n[Vantre\\Quillet]\nPrecious=1\n");
    for (int attempt = 0; attempt < 10; ++attempt) {
        pid_t victim = spawn([&] {
            for (int i = 0;; ++i) {
                SettingsStore store(path);
                store.writeInteger(Section, "Busy", i);
                store.writeString(Section, "Padding", std::string(static_cast<std::size_t>(i % 4000), 'x'));
                store.close();
            }
            return true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(2 + attempt * 3));
        ::kill(victim, SIGKILL);
        ::waitpid(victim, nullptr, 0);

        const std::string text = readFile(path);
        ASSERT_TRUE(looksWhole(text)) << "attempt " << attempt;
        SettingsStore store(path);
        EXPECT_EQ(store.readInteger(Section, "Precious", 0), 1);

        // The dead writer's lock went with it: the next writer gets through.
        pid_t next = spawn([&] {
            SettingsStore after(path);
            after.writeInteger(Section, "After Kill", attempt);
            return after.close();
        });
        ASSERT_EQ(waitFor(next, std::chrono::seconds(20)), 0) << "attempt " << attempt;
        EXPECT_EQ(SettingsStore(path).readInteger(Section, "After Kill", -1), attempt);
    }
}
