// SPDX-License-Identifier: MIT
// How quillet-convert writes OUTPUT: pipes and devices in place, links to
// their target, permissions kept, long names, and no unfinished file left
// after a signal, a file-size limit or running out of memory. Those, and
// /dev/stdout, run the real program as a child process.

#include "ConvertRunner.h"
#include "convert/ConvertCli.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Generous for a loaded machine; only reached when something is wrong.
constexpr auto ChildLimit = 5s;

std::string sampleListing()
{
    return readFile(sourceDir() / "tests/data/sample.bas.listing");
}

mode_t permissionsOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

mode_t linkTypeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & S_IFMT;
}

// Everything a non-blocking descriptor has to give until its writer is gone.
std::string drain(int fd)
{
    std::string bytes;
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + ChildLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0)
            continue;
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0)
            bytes.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EAGAIN)
            break;
    }
    return bytes;
}

// Leaves a signal ignored in this process for a while: writing to a pipe
// whose child died must fail, not end the test program.
class IgnoredSignal {
public:
    explicit IgnoredSignal(int signal) : signal_(signal)
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(signal_, &ignore, &previous_);
    }
    ~IgnoredSignal() { sigaction(signal_, &previous_, nullptr); }
    IgnoredSignal(const IgnoredSignal&) = delete;
    IgnoredSignal& operator=(const IgnoredSignal&) = delete;

private:
    int signal_;
    struct sigaction previous_ {};
};

struct Limit {
    decltype(RLIMIT_AS) resource;
    rlim_t value;
};

struct ChildSetup {
    std::vector<Limit> limits;
    int outFd = -1;        // standard output; /dev/null when -1
    int ignoredSignal = 0; // left ignored, as nohup leaves SIGHUP
};

// quillet-convert as its own process, started as a shell starts it: default
// signal actions, nothing blocked, no core file, and what `setup` asks.
// Standard input is /dev/null, standard error the file `errPath`. Killed and
// reaped when it goes.
class ConvertProcess {
public:
    ConvertProcess(const std::vector<std::string>& args, const fs::path& errPath, const ChildSetup& setup = {})
    {
        const std::string program = (fs::path(QUILLET_BINARY_DIR) / "quillet-convert").string();
        if (!fs::exists(program))
            throw std::runtime_error(program + " is not built");
        std::vector<std::string> strings{program};
        strings.insert(strings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : strings)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int nullFd = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (errFd < 0 || nullFd < 0)
            throw std::runtime_error("cannot open the child's files");
        const rlimit noCore{0, 0};
        pid_ = fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls between fork and exec.
            dup2(nullFd, STDIN_FILENO);
            dup2(setup.outFd >= 0 ? setup.outFd : nullFd, STDOUT_FILENO);
            dup2(errFd, STDERR_FILENO);
            setrlimit(RLIMIT_CORE, &noCore);
            for (const Limit& limit : setup.limits) {
                const rlimit value{limit.value, limit.value};
                if (setrlimit(limit.resource, &value) != 0)
                    _exit(126);
            }
            for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGXFSZ})
                ::signal(signal, signal == setup.ignoredSignal ? SIG_IGN : SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(errFd);
        close(nullFd);
        if (pid_ < 0)
            throw std::runtime_error("cannot start quillet-convert");
    }
    ~ConvertProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    ConvertProcess(const ConvertProcess&) = delete;
    ConvertProcess& operator=(const ConvertProcess&) = delete;

    pid_t pid() const { return pid_; }

    // The wait status; nullopt when it is still running after ChildLimit.
    std::optional<int> wait()
    {
        const auto deadline = std::chrono::steady_clock::now() + ChildLimit;
        for (;;) {
            int status = 0;
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                return status;
            }
            if ((done < 0 && errno != EINTR) || std::chrono::steady_clock::now() > deadline)
                return std::nullopt;
            std::this_thread::sleep_for(10ms);
        }
    }

private:
    pid_t pid_ = -1;
};

std::string describe(const std::optional<int>& status)
{
    if (!status)
        return "still running";
    if (WIFEXITED(*status))
        return "exit status " + std::to_string(WEXITSTATUS(*status));
    if (WIFSIGNALED(*status))
        return "killed by signal " + std::to_string(WTERMSIG(*status));
    return "wait status " + std::to_string(*status);
}

bool exitedWith(const std::optional<int>& status, int code)
{
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

} // namespace

TEST(ConvertOutput, PipesAndDevicesAreWrittenInPlace)
{
    ScratchDir dir;
    const std::string listing = sampleListing();
    const std::string sample = samplePath("sample.bas").string();

    // The read end is open before the program opens the write end, and the
    // listing fits in the pipe's buffer, so nothing waits for anything.
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    const int reader = open((dir / "pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_LT(listing.size(), 4096u);
    EXPECT_EQ(runConvert({sample, (dir / "pipe").string()}).status, cli::ExitOk);
    EXPECT_EQ(drain(reader), listing);
    close(reader);
    EXPECT_EQ(linkTypeOf(dir / "pipe"), static_cast<mode_t>(S_IFIFO));

    // Standard output by its name, in a child whose standard output is a
    // pipe. /dev/fd/1 is the same link for root, where a fault would replace
    // /dev/stdout itself.
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    ASSERT_EQ(fcntl(out[0], F_SETFL, O_NONBLOCK), 0);
    const std::string stdoutName = geteuid() == 0 ? "/dev/fd/1" : "/dev/stdout";
    ConvertProcess child({sample, stdoutName}, dir / "err", {.outFd = out[1]});
    close(out[1]);
    const std::string written = drain(out[0]);
    close(out[0]);
    const auto status = child.wait();
    EXPECT_TRUE(exitedWith(status, cli::ExitOk)) << describe(status) << ": " << readFile(dir / "err");
    EXPECT_EQ(written, listing);

    // A folder is no file to write.
    fs::create_directory(dir / "folder");
    const ConvertResult folder = runConvert({sample, (dir / "folder").string()});
    EXPECT_EQ(folder.status, cli::ExitFailed);
    EXPECT_NE(folder.err.find("not a regular file"), std::string::npos) << folder.err;
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_TRUE(fs::is_empty(dir / "folder"));

    // Character devices: a full one shows that the device itself took the
    // write. As root a fault would replace the system's devices, so root
    // writes to nodes of its own.
    fs::path null = "/dev/null";
    fs::path full = "/dev/full";
    if (geteuid() == 0) {
        null = dir / "null";
        full = dir / "full";
        if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0
            || mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
            GTEST_SKIP() << "no device nodes for the rest: " << std::strerror(errno);
    }
    EXPECT_EQ(runConvert({sample, null.string()}).status, cli::ExitOk);
    EXPECT_EQ(linkTypeOf(null), static_cast<mode_t>(S_IFCHR));
    const ConvertResult onFull = runConvert({sample, full.string()});
    EXPECT_EQ(onFull.status, cli::ExitFailed);
    EXPECT_NE(onFull.err.find("cannot write the file"), std::string::npos) << onFull.err;
    EXPECT_EQ(linkTypeOf(full), static_cast<mode_t>(S_IFCHR));

    // A link to a device is followed and stays a link.
    fs::create_symlink(null, dir / "null-link");
    EXPECT_EQ(runConvert({sample, (dir / "null-link").string()}).status, cli::ExitOk);
    EXPECT_EQ(linkTypeOf(dir / "null-link"), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(linkTypeOf(null), static_cast<mode_t>(S_IFCHR));

    std::vector<std::string> expected{"err", "folder", "null-link", "pipe"};
    if (geteuid() == 0)
        expected = {"err", "folder", "full", "null", "null-link", "pipe"};
    EXPECT_EQ(namesIn(dir.path()), expected) << "a temporary file was left behind";
}

TEST(ConvertOutput, LinkedOutputReplacesTheFileItLeadsTo)
{
    ScratchDir dir;
    const std::string listing = sampleListing();
    const std::string sample = samplePath("sample.bas").string();
    fs::create_directory(dir / "files");
    fs::create_directory(dir / "links");
    const fs::path real = dir / "files" / "real.asc";
    // Relative links are read from the link's folder, not the current one.
    const std::pair<std::string, fs::path> links[] = {
        {"relative", "../files/real.asc"},
        {"absolute", real},
        {"chain", "relative"},
    };
    for (const auto& [name, to] : links)
        fs::create_symlink(to, dir / "links" / name);
    for (const auto& [name, to] : links) {
        writeFile(real, "old");
        EXPECT_EQ(runConvert({sample, (dir / "links" / name).string()}).status, cli::ExitOk) << name;
        EXPECT_EQ(linkTypeOf(dir / "links" / name), static_cast<mode_t>(S_IFLNK)) << name;
        EXPECT_EQ(fs::read_symlink(dir / "links" / name), to) << name;
        EXPECT_EQ(readFile(real), listing) << name;
    }

    // A dangling link names the file to create.
    fs::create_symlink("../files/new.asc", dir / "links" / "dangling");
    EXPECT_EQ(runConvert({sample, (dir / "links" / "dangling").string()}).status, cli::ExitOk);
    EXPECT_EQ(linkTypeOf(dir / "links" / "dangling"), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(readFile(dir / "files" / "new.asc"), listing);

    EXPECT_EQ(namesIn(dir / "files"), (std::vector<std::string>{"new.asc", "real.asc"}));
    EXPECT_EQ(namesIn(dir / "links"), (std::vector<std::string>{"absolute", "chain", "dangling", "relative"}));
}

TEST(ConvertOutput, ReplacedOutputKeepsItsPermissions)
{
    ScratchDir dir;
    const std::string sample = samplePath("sample.bas").string();
    const fs::path out = dir / "out.asc";
    for (mode_t mode : {0640, 0600, 0755}) {
        writeFile(out, "old");
        ASSERT_EQ(chmod(out.c_str(), mode), 0);
        EXPECT_EQ(runConvert({sample, out.string()}).status, cli::ExitOk);
        EXPECT_EQ(permissionsOf(out), mode) << std::oct << mode;
        EXPECT_EQ(readFile(out), sampleListing());
    }

    // Through a link, the permissions are the target's.
    writeFile(dir / "target.asc", "old");
    ASSERT_EQ(chmod((dir / "target.asc").c_str(), 0604), 0);
    fs::create_symlink("target.asc", dir / "link.asc");
    EXPECT_EQ(runConvert({sample, (dir / "link.asc").string()}).status, cli::ExitOk);
    EXPECT_EQ(permissionsOf(dir / "target.asc"), 0604u);

    // A new file is made as any other: 0666 less the umask.
    const mode_t previous = umask(027);
    const int status = runConvert({sample, (dir / "new.asc").string()}).status;
    umask(previous);
    EXPECT_EQ(status, cli::ExitOk);
    EXPECT_EQ(permissionsOf(dir / "new.asc"), 0640u);
}

TEST(ConvertOutput, OutputNamesUpToTheLongestAllowedWork)
{
    ScratchDir dir;
    const std::string sample = samplePath("sample.bas").string();
    // The temporary is ".NAME.XXXXXX" up to 247 bytes of name, shortened above.
    for (std::size_t length : {247u, 248u, 255u}) {
        const fs::path out = dir / std::string(length, 'n');
        for (int round = 0; round < 2; ++round) { // made, then replaced
            const ConvertResult result = runConvert({sample, out.string()});
            EXPECT_EQ(result.status, cli::ExitOk) << length << ": " << result.err;
            EXPECT_EQ(readFile(out), sampleListing()) << length;
        }
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{out.filename().string()}) << length;
        fs::remove(out);
    }
}

namespace {

// The first 64 KB of the input (one read) decide its kind and the output's
// temporary is made; a BSAVE image then wants up to 128 KB more.
// A FIFO that stops in between holds the program there.
std::vector<std::string> heldConversionArgs(const ScratchDir& dir)
{
    return {"--screen", "5", (dir / "in").string(), (dir / "out" / "picture.bmp").string()};
}

// Makes the FIFO `in` and the folder `out` with an old picture.bmp.
void prepareHeldConversion(const ScratchDir& dir)
{
    fs::create_directory(dir / "out");
    writeFile(dir / "out" / "picture.bmp", "old");
    if (mkfifo((dir / "in").c_str(), 0600) != 0)
        throw std::runtime_error("cannot make a FIFO");
}

// Feeds the image until the temporary shows beside picture.bmp. Returns the
// write end of the FIFO, left open; -1 when no temporary showed.
int feedUntilTemporary(const ScratchDir& dir)
{
    std::string image = hexBytes("FE 00 00 FF FF 00 00");
    image.resize(100000, '\x11');
    const auto deadline = std::chrono::steady_clock::now() + ChildLimit;
    // The write end opens once the program has opened the read end.
    int writer = -1;
    while (writer < 0 && std::chrono::steady_clock::now() < deadline) {
        writer = open((dir / "in").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer < 0)
            std::this_thread::sleep_for(10ms);
    }
    std::size_t sent = 0;
    while (writer >= 0 && std::chrono::steady_clock::now() < deadline) {
        if (sent < image.size()) {
            const ssize_t put = write(writer, image.data() + sent, image.size() - sent);
            if (put > 0)
                sent += static_cast<std::size_t>(put);
        }
        if (namesIn(dir / "out").size() > 1)
            return writer;
        std::this_thread::sleep_for(10ms);
    }
    if (writer >= 0)
        close(writer);
    return -1;
}

} // namespace

// quillet-convert reads a pipe given by name as it comes: a named pipe no
// program writes to ends the run with the cause after a short wait, and a
// pipe the shell hands over as /dev/fd/N (a process substitution) converts.
TEST(ConvertOutput, ANamedPipeWithoutAWriterEndsAndAPipeWithOneConverts)
{
    ScratchDir dir;
    ASSERT_EQ(mkfifo((dir / "in").c_str(), 0600), 0);
    ConvertProcess child({(dir / "in").string(), (dir / "out.asc").string()}, dir / "err");
    const auto status = child.wait();
    EXPECT_TRUE(exitedWith(status, cli::ExitFailed)) << describe(status);
    EXPECT_NE(readFile(dir / "err").find("no program writes to the pipe"), std::string::npos) << readFile(dir / "err");
    EXPECT_FALSE(fs::exists(dir / "out.asc"));

    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    std::thread writer([&] {
        std::this_thread::sleep_for(100ms);
        const std::string program = readFile(samplePath("sample.bas"));
        EXPECT_EQ(write(ends[1], program.data(), program.size()), static_cast<ssize_t>(program.size()));
        close(ends[1]);
    });
    const ConvertResult result = runConvert({"/dev/fd/" + std::to_string(ends[0]), (dir / "out.asc").string()});
    writer.join();
    close(ends[0]);
    EXPECT_EQ(result.status, cli::ExitOk) << result.err;
    EXPECT_EQ(readFile(dir / "out.asc"), sampleListing());
}

// Standard output as a pipe takes a copied text in blocks read and written
// by the program, the kernel copying only between files.
TEST(ConvertOutput, PlainTextIsCopiedWholeThroughAPipe)
{
    ScratchDir dir;
    std::string text((std::size_t{3} << 20) + 11, '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>((i * 13 + i / 512) & 0xFF);
    text[0] = '1';
    writeFile(dir / "big.asc", text);
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    ASSERT_EQ(fcntl(ends[0], F_SETFL, O_NONBLOCK), 0); // the program writes blocking
    ConvertProcess child({(dir / "big.asc").string()}, dir / "err", {.outFd = ends[1]});
    close(ends[1]);
    const std::string copied = drain(ends[0]);
    close(ends[0]);
    const auto status = child.wait();
    EXPECT_TRUE(exitedWith(status, cli::ExitOk)) << describe(status) << ": " << readFile(dir / "err");
    EXPECT_TRUE(copied == text) << copied.size() << " bytes of " << text.size();
}

TEST(ConvertOutput, SignalsLeaveNoUnfinishedFile)
{
    IgnoredSignal pipeSignal(SIGPIPE);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        ScratchDir dir;
        prepareHeldConversion(dir);
        ConvertProcess child(heldConversionArgs(dir), dir / "err");
        const int writer = feedUntilTemporary(dir);
        ASSERT_GE(writer, 0) << "no temporary appeared";

        ASSERT_EQ(kill(child.pid(), signal), 0);
        const auto status = child.wait();
        close(writer);
        EXPECT_TRUE(status && WIFSIGNALED(*status) && WTERMSIG(*status) == signal) << describe(status);
        EXPECT_EQ(namesIn(dir / "out"), std::vector<std::string>{"picture.bmp"}) << "a temporary file was left behind";
        EXPECT_EQ(readFile(dir / "out" / "picture.bmp"), "old");
    }
}

// A batch held by an input that stops coming (a FIFO) after the programs
// before it are done: the signal removes the unfinished picture and ends
// the program by that signal; the finished listings stay, each whole.
TEST(ConvertOutput, SignalInTheMiddleOfABatchLeavesOnlyFinishedFiles)
{
    IgnoredSignal pipeSignal(SIGPIPE);
    const std::string listing = sampleListing();
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        ScratchDir dir;
        ASSERT_EQ(mkfifo((dir / "in").c_str(), 0600), 0);
        std::vector<std::string> args = {"--screen", "5", "--output-dir", (dir / "out").string()};
        std::vector<std::string> before, after;
        for (int i = 0; i < 4; ++i) {
            before.push_back("a" + std::to_string(i));
            after.push_back("b" + std::to_string(i));
        }
        for (const std::string& name : before) {
            fs::copy_file(samplePath("sample.bas"), dir / (name + ".bas"));
            args.push_back((dir / (name + ".bas")).string());
        }
        args.push_back((dir / "in").string());
        for (const std::string& name : after) {
            fs::copy_file(samplePath("sample.bas"), dir / (name + ".bas"));
            args.push_back((dir / (name + ".bas")).string());
        }
        ConvertProcess child(args, dir / "err");

        // Part of a picture through the FIFO, until its temporary shows and
        // every input before it is done.
        std::string image = hexBytes("FE 00 00 FF FF 00 00");
        image.resize(100000, '\x11');
        std::size_t sent = 0;
        int writer = -1;
        bool held = false;
        const auto deadline = std::chrono::steady_clock::now() + ChildLimit;
        while (!held && std::chrono::steady_clock::now() < deadline) {
            if (writer < 0)
                writer = open((dir / "in").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (writer >= 0 && sent < image.size()) {
                const ssize_t put = write(writer, image.data() + sent, image.size() - sent);
                if (put > 0)
                    sent += static_cast<std::size_t>(put);
            }
            if (fs::is_directory(dir / "out")) {
                const std::vector<std::string> names = namesIn(dir / "out");
                const bool temporary = std::any_of(
                    names.begin(), names.end(), [](const std::string& name) { return name.starts_with(".in.bmp."); });
                const bool beforeDone = std::all_of(before.begin(), before.end(), [&](const std::string& name) {
                    return std::find(names.begin(), names.end(), name + ".asc") != names.end();
                });
                held = temporary && beforeDone;
            }
            if (!held)
                std::this_thread::sleep_for(10ms);
        }
        ASSERT_TRUE(held) << "the batch never reached the FIFO";

        ASSERT_EQ(kill(child.pid(), signal), 0);
        const auto status = child.wait();
        if (writer >= 0)
            close(writer);
        EXPECT_TRUE(status && WIFSIGNALED(*status) && WTERMSIG(*status) == signal) << describe(status);
        for (const std::string& name : namesIn(dir / "out")) {
            EXPECT_FALSE(name.starts_with(".")) << "a temporary file was left behind: " << name;
            EXPECT_NE(name, "in.bmp") << "the unfinished picture was put in place";
            if (name.ends_with(".asc"))
                EXPECT_EQ(readFile(dir / "out" / name), listing) << name;
        }
        for (const std::string& name : before)
            EXPECT_TRUE(fs::exists(dir / "out" / (name + ".asc"))) << name << " was finished and is gone";
    }
}

TEST(ConvertOutput, HangupIgnoredByTheCallerStaysIgnored)
{
    // As under nohup: the conversion goes on after SIGHUP and completes.
    IgnoredSignal pipeSignal(SIGPIPE);
    ScratchDir dir;
    prepareHeldConversion(dir);
    ConvertProcess child(heldConversionArgs(dir), dir / "err", {.ignoredSignal = SIGHUP});
    const int writer = feedUntilTemporary(dir);
    ASSERT_GE(writer, 0) << "no temporary appeared";
    // The signal is pending before kill returns, so the program meets it in
    // its wait for more input, before the end of the input below.
    ASSERT_EQ(kill(child.pid(), SIGHUP), 0);
    close(writer);
    const auto status = child.wait();
    EXPECT_TRUE(exitedWith(status, cli::ExitOk)) << describe(status) << ": " << readFile(dir / "err");
    EXPECT_EQ(namesIn(dir / "out"), std::vector<std::string>{"picture.bmp"});
    EXPECT_EQ(readFile(dir / "out" / "picture.bmp").substr(0, 2), "BM");
}

TEST(ConvertOutput, FileSizeLimitEndsWithAMessage)
{
    ScratchDir dir;
    fs::create_directory(dir / "out");
    const fs::path out = dir / "out" / "listing.asc";
    writeFile(out, "old");
    writeFile(dir / "big.asc", std::string(256 * 1024, 'A'));
    ConvertProcess child({(dir / "big.asc").string(), out.string()}, dir / "err",
                         {.limits = {{RLIMIT_FSIZE, 64 * 1024}}});
    const auto status = child.wait();
    const std::string err = readFile(dir / "err");
    EXPECT_TRUE(exitedWith(status, cli::ExitFailed)) << describe(status);
    EXPECT_NE(err.find("cannot write the file"), std::string::npos) << err;
    EXPECT_NE(err.find(out.string()), std::string::npos) << err;
    EXPECT_EQ(namesIn(dir / "out"), std::vector<std::string>{"listing.asc"}) << "a temporary file was left behind";
    EXPECT_EQ(readFile(out), "old");
}

// Under an address-space limit smaller than the input: every conversion of
// a listing streams, so it finishes; --tokenize holds its listing whole and
// meets the limit, which ends it with a message and no file.
TEST(ConvertOutput, ListingsStreamAndRunningOutOfMemoryEndsWithAMessage)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
#endif
    constexpr rlim_t AddressSpace = 128u << 20;
    ScratchDir dir;
    // Sparse but for a start of text, which makes it a listing (NULs from
    // the start would be a binary file): it costs no disk.
    const int fd = open((dir / "big.asc").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const std::string start(4096, '1');
    ASSERT_EQ(write(fd, start.data(), start.size()), static_cast<ssize_t>(start.size()));
    ASSERT_EQ(ftruncate(fd, off_t{160} << 20), 0);
    close(fd);

    for (const char* form : {"--rtf", "--utf8", "--addresses"}) {
        ConvertProcess child({form, (dir / "big.asc").string(), "/dev/null"}, dir / "err",
                             {.limits = {{RLIMIT_AS, AddressSpace}}});
        const auto status = child.wait();
        EXPECT_TRUE(exitedWith(status, cli::ExitOk))
            << form << ": " << describe(status) << ": " << readFile(dir / "err");
    }

    // A UTF-8 listing to tokenize is still read whole; a plain one is read a
    // line at a time and refused by its first line's length.
    const struct {
        std::vector<std::string> form;
        std::string said;
    } tokenize[] = {
        {{"--tokenize", "--utf8"}, "out of memory"},
        {{"--tokenize"},
         "the listing cannot be tokenized: text line 1: a line of 167772160 characters, more than the 255 MSX "
         "BASIC reads"},
    };
    for (const auto& t : tokenize) {
        std::vector<std::string> args = t.form;
        args.insert(args.end(), {(dir / "big.asc").string(), (dir / "out.bas").string()});
        ConvertProcess child(args, dir / "err", {.limits = {{RLIMIT_AS, AddressSpace}}});
        const auto status = child.wait();
        const std::string err = readFile(dir / "err");
        EXPECT_TRUE(exitedWith(status, cli::ExitFailed)) << describe(status) << ": " << err;
        EXPECT_EQ(err, "quillet-convert: " + (dir / "big.asc").string() + ": " + t.said + "\n");
        EXPECT_FALSE(fs::exists(dir / "out.bas"));
    }
}
