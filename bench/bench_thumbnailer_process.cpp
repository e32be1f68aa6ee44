// SPDX-License-Identifier: MIT
// quillet-thumbnailer as a file manager runs it, a process per thumbnail:
// a SCREEN 5 picture and a tokenized program of about 17 KB, each to a
// 128-pixel PNG. The yardstick is quillet-thumbnail-floor, a Qt Gui
// program that starts a QGuiApplication and writes a 1-pixel PNG; the
// same program without the application (QImage alone) is the lower floor.
// The four are run in turn, so that all see the same load; reported are
// medians of the children's CPU time (user + system, from wait4) and
//   picture_x_floor, program_x_floor        over the Qt Gui floor
//   picture_x_image_floor, program_x_image_floor  over QImage alone
// --thumbnailer=PATH times another build's thumbnailer, for a before and
// after.

#include "ChildProcess.h"
#include "GeneratedProgram.h"
#include "tools/PictureGen.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string thumbnailerPath = QUILLET_THUMBNAILER_PATH;

fs::path scratch()
{
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("quillet-thumbnail-bench-" + std::to_string(getpid()));
        fs::create_directories(d / "runtime");
        // A desktop session's runtime folder, as file managers give one.
        fs::permissions(d / "runtime", fs::perms::owner_all);
        return d;
    }();
    return dir;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

constexpr int Runs = 40;

void Thumbnails(benchmark::State& state)
{
    const fs::path picture = scratch() / "sunset.sc5";
    const fs::path program = scratch() / "program.bas";
    std::ofstream(picture, std::ios::binary) << quillet::gen::sampleScreen5();
    std::ofstream(program, std::ios::binary) << '\xFF' << quillet::bench::generatedProgramLines(17 * 1024);
    const std::string out = (scratch() / "out.png").string();
    const std::vector<std::vector<std::string>> commands{
        {QUILLET_THUMBNAIL_FLOOR, out},
        {QUILLET_THUMBNAIL_FLOOR, "--image", out},
        {thumbnailerPath, "-s", "128", picture.string(), out},
        {thumbnailerPath, "-s", "128", program.string(), out},
    };
    for (auto _ : state) {
        std::vector<std::vector<double>> cpu(commands.size());
        for (int i = 0; i <= Runs; ++i) {
            for (std::size_t c = 0; c < commands.size(); ++c) {
                const quillet::bench::ChildRun run = quillet::bench::runQuietChild(commands[c]);
                if (!run.ok) {
                    state.SkipWithError(("failed: " + commands[c].back()).c_str());
                    return;
                }
                if (i > 0) // the first fills the page cache
                    cpu[c].push_back(run.cpuSeconds * 1e3);
            }
        }
        const double floor = median(cpu[0]), imageFloor = median(cpu[1]);
        const double pictureMs = median(cpu[2]), programMs = median(cpu[3]);
        state.counters["floor_cpu_ms"] = floor;
        state.counters["image_floor_cpu_ms"] = imageFloor;
        state.counters["picture_cpu_ms"] = pictureMs;
        state.counters["program_cpu_ms"] = programMs;
        state.counters["picture_x_floor"] = pictureMs / floor;
        state.counters["program_x_floor"] = programMs / floor;
        state.counters["picture_x_image_floor"] = pictureMs / imageFloor;
        state.counters["program_x_image_floor"] = programMs / imageFloor;
        state.SetIterationTime(programMs / 1e3);
    }
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--thumbnailer=", 14) == 0) {
            thumbnailerPath = argv[i] + 14;
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            --i;
        }
    }
    // Every child draws offscreen, as the thumbnailer itself asks, in a
    // session that has its runtime folder.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_RUNTIME_DIR", (scratch() / "runtime").c_str(), 1);
    benchmark::RegisterBenchmark("Thumbnailer/sc5_and_17k_program", Thumbnails)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("thumbnailer", thumbnailerPath);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(scratch(), ignored);
    return 0;
}
