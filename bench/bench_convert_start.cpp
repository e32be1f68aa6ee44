// SPDX-License-Identifier: MIT
// quillet-convert's start against the floor under it: `quillet-convert
// PROGRAM /dev/null` on a generated 17 KB tokenized program, and
// `quillet-convert --help`, each beside quillet-floor-copy, a C program
// that only reads the same file and writes it to /dev/null. A start costs
// a few milliseconds of CPU and the kernel counts it coarsely, so one
// iteration is 100 pairs of runs, the two in turn, with the CPU time of
// every run from wait4. `x_floor` is the program's CPU time over the
// floor's; `cpu_ms` and `floor_cpu_ms` are per run; the Time column is the
// program's CPU time over the 100 runs of one iteration. The children are
// started with posix_spawn; --fork adds the same runs forked from this
// benchmark, whose copy each child then pays for (about a millisecond more
// per run here, which flatters x_floor). `peak_MiB` and `floor_peak_MiB`
// are each one's own peak memory, from a run through quillet-usage-of.
// --convert=PATH runs another build's quillet-convert instead, for a before
// and after. A short run (--benchmark_min_time=0.01) is one iteration each.

#include "GeneratedProgram.h"
#include "ScratchFolder.h"
#include "SpawnedChild.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string convertPath = QUILLET_CONVERT_PATH;

constexpr int Pairs = 100;

// The 17 KB program, made once; the scratch folder goes at exit.
const std::string& programPath()
{
    static const std::string path = [] {
        const std::string made = (quillet::bench::scratch().path() / "PROGRAM.BAS").string();
        std::ofstream(made, std::ios::binary) << '\xFF' << quillet::bench::generatedProgramLines(17 * 1024);
        return made;
    }();
    return path;
}

enum Run { Program, Help };

void ConvertStart(benchmark::State& state, Run which, quillet::bench::Start start)
{
    const std::vector<std::string> convert = which == Help
                                                 ? std::vector<std::string>{convertPath, "--help"}
                                                 : std::vector<std::string>{convertPath, programPath(), "/dev/null"};
    const std::vector<std::string> floor = {QUILLET_FLOOR_COPY, programPath()};
    double convertCpu = 0, floorCpu = 0;
    const auto timed = [&](const std::vector<std::string>& args) {
        const quillet::bench::ChildRun run = quillet::bench::runStarted(args, start);
        if (!run.ok)
            state.SkipWithError(("failed: " + args[0] + " " + args[1]).c_str());
        return run.cpuSeconds;
    };
    for (auto _ : state) {
        double iteration = 0;
        for (int i = 0; i < Pairs; ++i) {
            // In turn, so that neither always runs on the other's caches.
            if (i % 2 == 0)
                floorCpu += timed(floor);
            iteration += timed(convert);
            if (i % 2 != 0)
                floorCpu += timed(floor);
        }
        convertCpu += iteration;
        state.SetIterationTime(iteration);
    }
    const double runs = static_cast<double>(state.iterations()) * Pairs;
    state.counters["cpu_ms"] = 1000 * convertCpu / runs;
    state.counters["floor_cpu_ms"] = 1000 * floorCpu / runs;
    state.counters["x_floor"] = floorCpu > 0 ? convertCpu / floorCpu : 0;
    const quillet::bench::ChildRun convertPeak = quillet::bench::runMeasured(QUILLET_USAGE_OF, convert);
    const quillet::bench::ChildRun floorPeak = quillet::bench::runMeasured(QUILLET_USAGE_OF, floor);
    if (!convertPeak.ok || !floorPeak.ok)
        state.SkipWithError("failed through quillet-usage-of");
    state.counters["peak_MiB"] = convertPeak.peakMiB;
    state.counters["floor_peak_MiB"] = floorPeak.peakMiB;
}

} // namespace

int main(int argc, char** argv)
{
    bool withFork = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--convert=", 10) == 0)
            convertPath = argv[i] + 10;
        if (std::strcmp(argv[i], "--fork") == 0)
            withFork = true;
    }
    using quillet::bench::Start;
    for (const Start start : {Start::Spawn, Start::Fork}) {
        if (start == Start::Fork && !withFork)
            continue;
        const std::string how = start == Start::Fork ? "/fork" : "";
        for (const auto& [which, name] : {std::pair{Program, "program"}, std::pair{Help, "help"}})
            benchmark::RegisterBenchmark(("ConvertStart/" + std::string(name) + how).c_str(), ConvertStart, which,
                                         start)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
