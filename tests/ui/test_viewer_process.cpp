// SPDX-License-Identifier: MIT
// The viewer as a process: ended by a signal it leaves no temporary file,
// and a pipe given as its file never holds it up.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> temporaryFiles(const fs::path& dir)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().filename().string().rfind("MSX", 0) == 0)
            found.push_back(entry.path());
    }
    return found;
}

// Waits at most `limit` for the child to end; its wait status, or -1.
int waitFor(pid_t pid, std::chrono::seconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < until) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

// The three temporary names and the picture file's, made at start.
constexpr std::size_t StartFiles = 4;

class ViewerProcess : public ::testing::TestWithParam<int> {
protected:
    // A viewer a failed check left running is ended, so it holds up nothing.
    ~ViewerProcess() override
    {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // Starts the viewer offscreen in a scratch home on `file`, and waits
    // until its temporary files are made.
    pid_t start(const fs::path& file)
    {
        fs::create_directories(home / "tmp");
        fs::create_directories(home / "runtime");
        fs::permissions(home / "runtime", fs::perms::owner_all);
        const std::string viewer = std::string(QUILLET_BINARY_DIR) + "/quillet";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("TMPDIR", (home / "tmp").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
            ::setenv("XDG_DATA_HOME", (home / "share").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
            ::execl(viewer.c_str(), viewer.c_str(), file.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        pid_ = pid;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (temporaryFiles(home / "tmp").size() < StartFiles && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return pid;
    }

    ScratchDir home;
    pid_t pid_ = -1;
};

} // namespace

TEST_P(ViewerProcess, SignalEndsItLikeClosingTheWindow)
{
    const int signal = GetParam();
    // A pipe nobody writes to: the viewer must refuse it and stay responsive.
    const fs::path pipe = home / "pipe.bas";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const pid_t pid = start(pipe);
    ASSERT_GT(pid, 0);
    ASSERT_EQ(temporaryFiles(home / "tmp").size(), StartFiles) << "the viewer did not start";

    ASSERT_EQ(::kill(pid, signal), 0);
    const int status = waitFor(pid, std::chrono::seconds(10));
    ASSERT_NE(status, -1) << "the viewer did not end on signal " << signal;
    pid_ = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ended by the signal, not by closing: " << status;
    EXPECT_TRUE(temporaryFiles(home / "tmp").empty()) << "temporary files were left behind";
}

TEST_P(ViewerProcess, SignalDuringALargeLoadEndsTheLoadAndLeavesNothing)
{
    std::string text;
    for (unsigned n = 0; text.size() < (10u << 20); ++n)
        text += std::to_string(10 + n % 6000 * 10) + " PRINT \"LOADING\":GOTO 10\r\n";
    const fs::path big = home / "big.asc";
    writeFile(big, text);
    const pid_t pid = start(big);
    ASSERT_GT(pid, 0);
    // The listing's own fresh file joins the four while the load runs.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (temporaryFiles(home / "tmp").size() <= StartFiles && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GT(temporaryFiles(home / "tmp").size(), StartFiles) << "the load did not start";
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // into the view's building

    ASSERT_EQ(::kill(pid, GetParam()), 0);
    const int status = waitFor(pid, std::chrono::seconds(20));
    ASSERT_NE(status, -1) << "the viewer did not end";
    pid_ = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(temporaryFiles(home / "tmp").empty()) << "the load's files were left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Signals, ViewerProcess, ::testing::Values(SIGTERM, SIGINT, SIGHUP), [](const ::testing::TestParamInfo<int>& info) {
        return std::string(info.param == SIGTERM ? "SIGTERM" : info.param == SIGINT ? "SIGINT" : "SIGHUP");
    });
