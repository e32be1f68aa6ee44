// SPDX-License-Identifier: MIT
// quillet-convert as whole processes, the way a user runs it: a generated
// tokenized program of 1, 10 and 50 MB to its ASCII, RTF and UTF-8
// listings and its HTML page, and a plain-text file of the same size
// copied. Every run is a
// child of its own, whose CPU time and peak memory the kernel reports
// (wait4), so one size's peak is never counted under another's name. The
// yardstick of a conversion is this program run again as a child that only
// reads the file through a plain byte loop; `x_byte_loop` is the
// conversion's CPU time over the yardstick's, measured in the same
// iterations. The copy goes to a file, as does its yardstick, cp; `x_cp`
// is the copy's CPU time over cp's. And the batch mode: against separate
// calls, at 500 and 5000 inputs, and over a list of 10 000 names
// (--from-file). --archive=N adds the list run at N names, e.g. 100000
// (once; making its files takes minutes on a busy disk); a plain or short run
// (--benchmark_min_time=0.01) leaves it out. --convert=PATH runs another
// build's quillet-convert instead, for a before and after.

#include "ChildProcess.h"
#include "GeneratedProgram.h"
#include "ScratchFolder.h"
#include "SpawnedChild.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* selfPath = nullptr;
std::string convertPath = QUILLET_CONVERT_PATH;

struct ChildCost {
    double cpuSeconds = 0;
    double wallSeconds = 0;
    double peakMiB = 0;
    double floorMiB = 0;
};

// What this program holds resident now. The kernel counts a child's peak
// from the fork, when it is a copy of this program, so that is the floor
// under every peak reported.
double residentMiB()
{
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs `args` (the program first) quietly; a failure ends the benchmark.
ChildCost runChild(const std::vector<std::string>& args, benchmark::State& state)
{
    const double floor = residentMiB();
    const quillet::bench::ChildRun run = quillet::bench::runQuietChild(args);
    if (!run.ok)
        state.SkipWithError(("failed: " + args[0] + " " + args[1]).c_str());
    return {run.cpuSeconds, run.wallSeconds, run.peakMiB, floor};
}

// The yardstick: every byte of the file through a loop, nothing more.
int byteLoop(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return 1;
    static unsigned char buffer[64 * 1024];
    unsigned long sum = 0;
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        for (std::size_t i = 0; i < got; ++i)
            sum += buffer[i];
    std::fclose(file);
    std::printf("%lu\n", sum);
    return 0;
}

using quillet::bench::scratch;

// A folder name not used before in this run, for one call's outputs. They
// are removed only at exit: ext4 passes over the inodes freed in the last
// minutes when it allocates one, so outputs removed before the next call
// would make its cost grow with the count of the last call's.
fs::path freshFolder(const std::string& name)
{
    static int made = 0;
    return scratch().path() / (name + "-" + std::to_string(++made));
}

std::string makeProgram(std::size_t size)
{
    return "\xFF" + quillet::bench::generatedProgramLines(size);
}

// The input of `megabytes` MB, made once: a program, or (text) lines of
// plain text.
fs::path input(int megabytes, bool text)
{
    const fs::path path =
        scratch().path() / ((text ? "text-" : "program-") + std::to_string(megabytes) + (text ? ".asc" : ".bas"));
    if (!fs::exists(path)) {
        const std::size_t size = static_cast<std::size_t>(megabytes) << 20;
        std::string bytes;
        if (text) {
            const std::string line = "10 PRINT \"HELLO, WORLD\":GOTO 10\r\n";
            while (bytes.size() < size)
                bytes += line;
        } else {
            bytes = makeProgram(size);
        }
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // The freed input would otherwise stay in this program's heap and raise
    // the floor under the children's peaks.
    malloc_trim(0);
    return path;
}

enum Form { Ascii, Rtf, Utf8, PlainText, Html };

constexpr const char* CpPath = "/bin/cp";

void ConvertWholeProcess(benchmark::State& state)
{
    const int megabytes = static_cast<int>(state.range(0));
    const Form form = static_cast<Form>(state.range(1));
    const std::string file = input(megabytes, form == PlainText).string();
    std::vector<std::string> args = {convertPath};
    if (form == Rtf)
        args.push_back("--rtf");
    if (form == Utf8)
        args.push_back("--utf8");
    if (form == Html)
        args.push_back("--html");
    args.push_back(file);
    // A copy is measured into a file, where the kernel can copy it, and so
    // is cp; the listings go to /dev/null, their cost being the making.
    const std::string copied = (scratch().path() / "copied.asc").string();
    args.push_back(form == PlainText ? copied : "/dev/null");
    const std::vector<std::string> yardstick = form == PlainText
                                                   ? std::vector<std::string>{CpPath, file, copied}
                                                   : std::vector<std::string>{selfPath, "--byte-loop", file};
    double convertCpu = 0, yardstickCpu = 0, peak = 0, floor = 0;
    for (auto _ : state) {
        const ChildCost measure = runChild(yardstick, state);
        const ChildCost convert = runChild(args, state);
        yardstickCpu += measure.cpuSeconds;
        convertCpu += convert.cpuSeconds;
        peak = std::max(peak, convert.peakMiB);
        floor = std::max(floor, convert.floorMiB);
        state.SetIterationTime(convert.cpuSeconds);
    }
    std::error_code ignored;
    fs::remove(copied, ignored);
    state.counters["peak_MiB"] = peak;
    state.counters["floor_MiB"] = floor;
    state.counters[form == PlainText ? "x_cp" : "x_byte_loop"] = yardstickCpu > 0 ? convertCpu / yardstickCpu : 0;
    state.SetBytesProcessed(state.iterations() * (static_cast<std::int64_t>(megabytes) << 20));
}
BENCHMARK(ConvertWholeProcess)
    ->ArgNames({"MB", "form"})
    ->ArgsProduct({{1, 10, 50}, {Ascii, Rtf, Utf8, PlainText, Html}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// 500 small programs (4 KB each): one --output-dir call against 500 calls
// of one file each, as a shell loop would run them. Wall time, since the
// batch is meant to use every core; `x_separate` is the one call's time
// over the 500 calls', measured in the same iterations.
void BatchOfSmallPrograms(benchmark::State& state)
{
    constexpr int Count = 500;
    const fs::path in = scratch().path() / "batch-in";
    std::vector<std::string> files;
    fs::create_directories(in);
    const std::string program = makeProgram(4096);
    for (int i = 0; i < Count; ++i) {
        files.push_back((in / ("P" + std::to_string(i) + ".BAS")).string());
        std::ofstream(files.back(), std::ios::binary) << program;
    }
    double oneCall = 0, separate = 0;
    for (auto _ : state) {
        std::vector<std::string> batch = {convertPath, "--output-dir", freshFolder("batch-out").string()};
        batch.insert(batch.end(), files.begin(), files.end());
        const ChildCost one = runChild(batch, state);
        const fs::path out = freshFolder("batch-out");
        fs::create_directories(out);
        double calls = 0;
        for (const std::string& file : files)
            calls += runChild({convertPath, file, (out / fs::path(file).filename().replace_extension(".asc")).string()},
                              state)
                         .wallSeconds;
        oneCall += one.wallSeconds;
        separate += calls;
        state.SetIterationTime(one.wallSeconds);
    }
    state.counters["separate_ms"] = 1000 * separate / static_cast<double>(state.iterations());
    state.counters["x_separate"] = separate > 0 ? oneCall / separate : 0;
}
BENCHMARK(BatchOfSmallPrograms)->UseManualTime()->Unit(benchmark::kMillisecond);

// Tiny programs (one line each, a few dozen bytes), T0.BAS, T1.BAS, ... in
// one folder, made once: the first `count` of them.
std::vector<std::string> tinyPrograms(std::size_t count)
{
    static std::vector<std::string> made;
    const fs::path folder = scratch().path() / "tiny";
    fs::create_directories(folder);
    const std::string program = makeProgram(1);
    while (made.size() < count) {
        made.push_back((folder / ("T" + std::to_string(made.size()) + ".BAS")).string());
        std::ofstream(made.back(), std::ios::binary) << program;
    }
    return {made.begin(), made.begin() + static_cast<std::ptrdiff_t>(count)};
}

// The batch must cost the same per input at any count: 500 and 5000 tiny
// programs, each in one --output-dir call, in every iteration. CPU time
// this time, every worker's; `x_5000_vs_500` is the one's over the other's
// (10 when linear).
void BatchGrowth(benchmark::State& state)
{
    const std::vector<std::string> files = tinyPrograms(5000);
    const auto call = [&](std::size_t count) {
        std::vector<std::string> args = {convertPath, "--output-dir", freshFolder("growth-out").string()};
        args.insert(args.end(), files.begin(), files.begin() + static_cast<std::ptrdiff_t>(count));
        const quillet::bench::ChildRun run = quillet::bench::runStarted(args);
        if (!run.ok)
            state.SkipWithError(("failed: " + std::to_string(count) + " programs").c_str());
        return run.cpuSeconds;
    };
    double small = 0, large = 0;
    for (auto _ : state) {
        small += call(500);
        const double cpu = call(5000);
        large += cpu;
        state.SetIterationTime(cpu);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["cpu_500_ms"] = 1000 * small / runs;
    state.counters["cpu_5000_ms"] = 1000 * large / runs;
    state.counters["x_5000_vs_500"] = small > 0 ? large / small : 0;
}
BENCHMARK(BatchGrowth)->UseManualTime()->Unit(benchmark::kMillisecond);

// A file naming `count` tiny programs, one a line, made once.
std::string listOfTiny(std::size_t count)
{
    const fs::path list = scratch().path() / ("list-" + std::to_string(count) + ".txt");
    if (!fs::exists(list)) {
        std::ofstream names(list);
        for (const std::string& file : tinyPrograms(count))
            names << file << '\n';
    }
    return list.string();
}

// An archive's worth of tiny programs in one call, named in a list
// (--from-file), run through quillet-usage-of for the call's own peak
// memory. `per_name_bytes` is what each name adds to the peak over a call
// of one name: the same at every count when only the list of names grows.
// 10 000 names always; more with --archive=N (e.g. 100000), run once.
void ArchiveRun(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::string list = listOfTiny(count);
    const auto call = [&](const std::string& names) {
        const quillet::bench::ChildRun run = quillet::bench::runMeasured(
            QUILLET_USAGE_OF, {convertPath, "--output-dir", freshFolder("archive-out").string(), "--from-file", names});
        if (!run.ok)
            state.SkipWithError(("failed: --from-file " + names).c_str());
        return run;
    };
    double cpu = 0, peak = 0;
    for (auto _ : state) {
        const quillet::bench::ChildRun run = call(list);
        cpu += run.cpuSeconds;
        peak = std::max(peak, run.peakMiB);
        state.SetIterationTime(run.cpuSeconds);
    }
    const double onePeak = call(listOfTiny(1)).peakMiB;
    state.counters["cpu_per_name_us"] =
        1e6 * cpu / static_cast<double>(state.iterations()) / static_cast<double>(count);
    state.counters["peak_MiB"] = peak;
    state.counters["one_name_peak_MiB"] = onePeak;
    state.counters["list_MiB"] = static_cast<double>(fs::file_size(list)) / (1024.0 * 1024.0);
    state.counters["per_name_bytes"] = (peak - onePeak) * 1024.0 * 1024.0 / static_cast<double>(count);
}
BENCHMARK(ArchiveRun)->ArgName("names")->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--byte-loop") == 0)
        return byteLoop(argv[2]);
    selfPath = argv[0];
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--convert=", 10) == 0)
            convertPath = argv[i] + 10;
        if (std::strncmp(argv[i], "--archive=", 10) == 0)
            benchmark::RegisterBenchmark("ArchiveRun", ArchiveRun)
                ->ArgName("names")
                ->Arg(std::atol(argv[i] + 10))
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
