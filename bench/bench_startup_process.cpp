// SPDX-License-Identifier: MIT
// The viewer's start-up from process start to the first painted listing:
// each run starts quillet-startup-driver (the viewer's own start, ending at
// that paint) as a child, offscreen, with a typical program of a few
// hundred lines on its command line and its own config, cache, data and
// temporary folders. Reported per run, as medians over the warm runs:
//   cpu_ms             the child's user + system time from the kernel (wait4),
//                      start to exit
//   cpu_to_paint_ms    the child's own user + system time at the paint
//   wall_ms            start to exit, as this program sees it
//   wall_to_paint_ms   start to the paint (the manual time)
// "Cold" is one first launch: fresh folders, and the driver, its libraries
// and the files it maps dropped from the page cache first where the kernel
// allows (a file another process maps stays); still_cached_pct says how much
// of them stayed. "Warm" is repeated launches with the same folders.
//
// "Warm/qt_floor" is the same for a Qt Widgets program showing one line of
// text (quillet-startup-floor): what any such program pays, under the
// viewer's figure.
//
// QUILLET_STARTUP_BASELINE=<another driver> adds the same runs of that
// driver, and a side-by-side run that alternates the two.
// Run: bench_startup_process

#include "GeneratedProgram.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// What one launch cost.
struct Launch {
    bool ok = false;
    std::string failure;
    double cpuMs = 0;
    double userMs = 0;
    double sysMs = 0;
    double cpuToPaintMs = 0;
    double wallMs = 0;
    double wallToPaintMs = 0;
    std::vector<std::string> maps;
};

fs::path scratch()
{
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("quillet-startup-bench-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// A fresh set of the folders a user's session gives the viewer.
fs::path freshHome(const std::string& name)
{
    const fs::path home = scratch() / name;
    fs::remove_all(home);
    for (const char* sub : {"config", "cache", "data", "tmp", "runtime"})
        fs::create_directories(home / sub);
    fs::permissions(home / "runtime", fs::perms::owner_all);
    return home;
}

double millis(const timeval& t)
{
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

std::int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

Launch launch(const std::string& driver, const fs::path& program, const fs::path& home, bool listMaps)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "QT_QPA_PLATFORM" && name != "TMPDIR" && name != "QUILLET_STARTUP_LIST_MAPS"
            && name.rfind("XDG_", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("XDG_CONFIG_HOME=" + (home / "config").string());
    env.push_back("XDG_CACHE_HOME=" + (home / "cache").string());
    env.push_back("XDG_DATA_HOME=" + (home / "data").string());
    env.push_back("TMPDIR=" + (home / "tmp").string());
    env.push_back("XDG_RUNTIME_DIR=" + (home / "runtime").string());
    if (listMaps)
        env.push_back("QUILLET_STARTUP_LIST_MAPS=1");
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string arg0 = driver, arg1 = program.string();
    char* argv[] = {arg0.data(), arg1.data(), nullptr};

    Launch result;
    int out[2];
    if (pipe(out) != 0) {
        result.failure = "no pipe";
        return result;
    }
    const std::int64_t start = monotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        // The platform's notes would bury the results.
        const int errors = open((home / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(errors, STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        execve(argv[0], argv, envp.data());
        _exit(127);
    }
    close(out[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(got));
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        result.failure = "the driver did not start";
        return result;
    }
    result.wallMs = static_cast<double>(monotonicNs() - start) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::ifstream errors(home / "stderr.txt");
        const std::string complaint((std::istreambuf_iterator<char>(errors)), std::istreambuf_iterator<char>());
        result.failure = "the driver failed with status " + std::to_string(status) + ": " + complaint.substr(0, 300);
        return result;
    }
    result.userMs = millis(usage.ru_utime);
    result.sysMs = millis(usage.ru_stime);
    result.cpuMs = result.userMs + result.sysMs;
    std::istringstream lines(said);
    bool painted = false;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "paint_cpu_us") {
            long long us = 0;
            words >> us;
            result.cpuToPaintMs = static_cast<double>(us) / 1e3;
        } else if (key == "paint_monotonic_ns") {
            long long ns = 0;
            words >> ns;
            result.wallToPaintMs = static_cast<double>(ns - start) / 1e6;
            painted = true;
        } else if (key == "map") {
            result.maps.push_back(line.substr(4));
        }
    }
    result.ok = painted;
    if (!painted)
        result.failure = "the driver reported no paint";
    return result;
}

// Drops a file's pages from the page cache; the kernel keeps those another
// process has mapped.
void evict(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
}

// Bytes of a file in the page cache, and its size.
std::pair<std::uint64_t, std::uint64_t> cached(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return {0, 0};
    struct stat info {};
    std::pair<std::uint64_t, std::uint64_t> result{0, 0};
    if (fstat(fd, &info) == 0 && info.st_size > 0) {
        const auto size = static_cast<std::size_t>(info.st_size);
        void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) {
            const long page = sysconf(_SC_PAGESIZE);
            std::vector<unsigned char> resident((size + static_cast<std::size_t>(page) - 1) / page);
            if (mincore(map, size, resident.data()) == 0) {
                for (unsigned char r : resident)
                    result.first += (r & 1) ? static_cast<std::uint64_t>(page) : 0;
            }
            munmap(map, size);
        }
        result.second = size;
    }
    close(fd);
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void report(benchmark::State& state, const std::vector<Launch>& runs, const std::string& prefix = {})
{
    auto field = [&](double Launch::*member) {
        std::vector<double> values;
        for (const Launch& run : runs)
            values.push_back(run.*member);
        return median(values);
    };
    state.counters[prefix + "cpu_ms"] = field(&Launch::cpuMs);
    state.counters[prefix + "user_ms"] = field(&Launch::userMs);
    state.counters[prefix + "sys_ms"] = field(&Launch::sysMs);
    state.counters[prefix + "cpu_to_paint_ms"] = field(&Launch::cpuToPaintMs);
    state.counters[prefix + "wall_ms"] = field(&Launch::wallMs);
    state.counters[prefix + "wall_to_paint_ms"] = field(&Launch::wallToPaintMs);
}

constexpr int WarmRuns = 15;

void Cold(benchmark::State& state, const std::string& driver, const fs::path& program)
{
    for (auto _ : state) {
        // A launch of its own names the files a start maps; they go from
        // the page cache before the timed one.
        const Launch probe = launch(driver, program, freshHome("probe"), true);
        if (!probe.ok) {
            state.SkipWithError(probe.failure.c_str());
            break;
        }
        std::vector<std::string> files = probe.maps;
        files.push_back(driver);
        files.push_back(program.string());
        for (const std::string& file : files)
            evict(file);
        std::uint64_t stayed = 0, total = 0;
        for (const std::string& file : files) {
            const auto [in, size] = cached(file);
            stayed += in;
            total += size;
        }
        const Launch cold = launch(driver, program, freshHome("cold"), false);
        if (!cold.ok) {
            state.SkipWithError(cold.failure.c_str());
            break;
        }
        state.SetIterationTime(cold.wallToPaintMs / 1e3);
        report(state, {cold});
        state.counters["still_cached_pct"] =
            total ? 100.0 * static_cast<double>(stayed) / static_cast<double>(total) : 0;
    }
}

void Warm(benchmark::State& state, const std::string& driver, const fs::path& program)
{
    const fs::path home = freshHome("warm");
    for (auto _ : state) {
        std::vector<Launch> runs;
        for (int i = 0; i <= WarmRuns; ++i) {
            Launch run = launch(driver, program, home, false);
            if (!run.ok) {
                state.SkipWithError(run.failure.c_str());
                return;
            }
            if (i > 0) // the first fills the caches and writes the settings
                runs.push_back(std::move(run));
        }
        state.SetIterationTime(median([&] {
                                   std::vector<double> walls;
                                   for (const Launch& run : runs)
                                       walls.push_back(run.wallToPaintMs);
                                   return walls;
                               }())
                               / 1e3);
        report(state, runs);
    }
}

// This build's driver and another, launched in turn so that both see the
// same load on the machine.
void SideBySide(benchmark::State& state, const std::string& driver, const std::string& baseline,
                const fs::path& program)
{
    const fs::path home = freshHome("side"), baseHome = freshHome("side-baseline");
    for (auto _ : state) {
        std::vector<Launch> ours, theirs;
        for (int i = 0; i <= WarmRuns; ++i) {
            Launch a = launch(driver, program, home, false);
            Launch b = launch(baseline, program, baseHome, false);
            if (!a.ok || !b.ok) {
                state.SkipWithError((a.ok ? b : a).failure.c_str());
                return;
            }
            if (i > 0) {
                ours.push_back(std::move(a));
                theirs.push_back(std::move(b));
            }
        }
        report(state, ours);
        state.SetIterationTime(state.counters["wall_to_paint_ms"] / 1e3);
        report(state, theirs, "baseline_");
        for (const char* name : {"cpu_ms", "cpu_to_paint_ms", "wall_to_paint_ms"}) {
            const double base = state.counters["baseline_" + std::string(name)];
            state.counters[std::string("ratio_") + name] = base > 0 ? state.counters[name] / base : 0;
        }
    }
}

// The largest tokenized program of the shared corpus, when there is one.
fs::path corpusProgram()
{
    const fs::path dir = fs::path(QUILLET_SOURCE_DIR) / ".." / "shared" / "corpus" / "bas";
    std::error_code error;
    fs::path best;
    std::uintmax_t bestSize = 0;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        std::ifstream file(entry.path(), std::ios::binary);
        if (extension != ".bas" || file.get() != 0xFF)
            continue;
        if (entry.file_size() > bestSize) {
            bestSize = entry.file_size();
            best = entry.path();
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    // About 300 lines of the generated kind.
    const fs::path typical = scratch() / "typical.bas";
    std::ofstream(typical, std::ios::binary) << '\xFF' << quillet::bench::generatedProgramLines(8 * 1024);
    const std::string driver = QUILLET_STARTUP_DRIVER;
    const char* baseline = std::getenv("QUILLET_STARTUP_BASELINE");

    std::vector<std::pair<std::string, std::string>> drivers{{"this", driver}};
    if (baseline && *baseline)
        drivers.emplace_back("baseline", baseline);
    for (const auto& [label, path] : drivers) {
        benchmark::RegisterBenchmark(("StartupCold/" + label).c_str(),
                                     [path](benchmark::State& state) { Cold(state, path, scratch() / "typical.bas"); })
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("StartupWarm/" + label).c_str(),
                                     [path](benchmark::State& state) { Warm(state, path, scratch() / "typical.bas"); })
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(
        "StartupWarm/qt_floor",
        [](benchmark::State& state) { Warm(state, QUILLET_STARTUP_FLOOR, scratch() / "typical.bas"); })
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    if (const fs::path corpus = corpusProgram(); !corpus.empty()) {
        benchmark::RegisterBenchmark("StartupWarm/corpus",
                                     [driver, corpus](benchmark::State& state) { Warm(state, driver, corpus); })
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    if (baseline && *baseline) {
        benchmark::RegisterBenchmark("StartupWarm/side_by_side",
                                     [driver, b = std::string(baseline)](benchmark::State& state) {
                                         SideBySide(state, driver, b, scratch() / "typical.bas");
                                     })
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("typical_program", typical.string());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(scratch(), ignored);
    return 0;
}
