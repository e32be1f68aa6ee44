// SPDX-License-Identifier: MIT
// The listing view with a large program, offscreen:
//
// - OpenProgram: the main window opens a generated program of 1 or 10 MB
//   (10 MB also with the syntax colours on, the roles gathered with the
//   listing), from the call to its first painted listing, in a child process of its
//   own (this program run again), so that the peak memory is that size's
//   alone. Beside it, `quillet-convert --rtf` on the same file as a whole
//   process, and their ratio. A paint while the load lets events through
//   does not count: the clock stops at the first paint after the load.
// - OpenLongLines: the same for 5 MB of plain text in lines of 64 KB, and
//   in one line with no break at all.
// - Scroll: a 10 MB listing scrolled page by page and by jumps as a
//   dragged scroll bar does, each frame painted at once; frames per second
//   and the slowest frame.
//
// Run offscreen: QT_QPA_PLATFORM=offscreen bench_view_gui

#include "ChildProcess.h"
#include "GeneratedProgram.h"
#include "fonts/BundledFonts.h"
#include "ui/ListingView.h"
#include "ui/QuilletUnit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QScrollBar>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* selfPath = nullptr;

fs::path benchDir()
{
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("quillet-view-bench-" + std::to_string(getpid()));
        fs::create_directories(d / "config");
        setenv("XDG_CONFIG_HOME", (d / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (d / "share").c_str(), 1);
        return d;
    }();
    return dir;
}

fs::path program(std::size_t size)
{
    const fs::path path = benchDir() / ("program-" + std::to_string(size) + ".bas");
    if (!fs::exists(path)) {
        const std::string bytes = "\xFF" + quillet::bench::generatedProgramLines(size);
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return path;
}

// 5 MB of listing text (line numbers, PRINT and quoted text) in lines of
// `lineLength` bytes, CR LF between them.
fs::path longLines(std::size_t lineLength)
{
    constexpr std::size_t Total = 5 << 20;
    const fs::path path = benchDir() / ("lines-" + std::to_string(lineLength) + ".txt");
    if (!fs::exists(path)) {
        std::mt19937 random(3);
        const std::string_view letters = "ABCDEFGHIJ KLMNOP 0123456789:\"";
        std::string text;
        for (int number = 10; text.size() < Total; number += 10) {
            std::string line = std::to_string(number) + " PRINT ";
            while (line.size() < lineLength && text.size() + line.size() < Total)
                line += letters[random() % letters.size()];
            text += line;
            if (text.size() < Total)
                text += "\r\n";
        }
        std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return path;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Counts paint events of a widget.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The child: a window, then the program opened; writes the CPU seconds of
// the open and of the whole process to `report`. The children share one
// settings file, so each sets the colours it is run with.
int openChild(int argc, char** argv, const char* path, const char* report, bool colours)
{
    QApplication app(argc, argv);
    quillet::fonts::loadBundledFonts({QStringLiteral(QUILLET_BINARY_DIR "/fonts")});
    TForm1 window;
    window.show();
    window.FormCreate({});
    window.settingsOwner().set(&quillet::Settings::useSyntaxColors, colours);
    QCoreApplication::processEvents();
    PaintWatch watch(window.listingView()->viewport());
    const double before = cpuSeconds();
    window.openDocument(QString::fromLocal8Bit(path));
    // Paints while the load let events through do not count.
    watch.paints = 0;
    for (int i = 0; i < 10000 && watch.paints == 0; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double open = cpuSeconds() - before;
    const double total = cpuSeconds();
    const bool shown = watch.paints > 0 && !window.listingView()->text().isEmpty();
    std::ofstream(report) << open << ' ' << total << '\n';
    return shown ? 0 : 1;
}

void OpenProgram(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const bool colours = state.range(1) != 0;
    const fs::path path = program(size);
    const fs::path report = benchDir() / "report";
    const fs::path rtf = benchDir() / "out.rtf";
    double open = 0, total = 0, peak = 0, convert = 0;
    for (auto _ : state) {
        const auto viewer = quillet::bench::runQuietChild(
            {selfPath, "--open-child", path.string(), report.string(), colours ? "colours" : "plain"});
        const auto converter =
            quillet::bench::runQuietChild({QUILLET_CONVERT_PATH, "--rtf", path.string(), rtf.string()});
        if (!viewer.ok || !converter.ok) {
            state.SkipWithError("a child failed");
            return;
        }
        std::ifstream(report) >> open >> total;
        peak = viewer.peakMiB;
        convert = converter.cpuSeconds;
        state.SetIterationTime(open);
    }
    // The program's size stands for the listing's: the stricter limit.
    const double listingMiB = static_cast<double>(size) / (1024.0 * 1024.0);
    state.counters["open_cpu_ms"] = open * 1e3;
    state.counters["process_cpu_ms"] = total * 1e3;
    state.counters["convert_rtf_cpu_ms"] = convert * 1e3;
    state.counters["open_per_convert"] = open / convert;
    state.counters["peak_MiB"] = peak;
    state.counters["peak_limit_MiB"] = 40 + 8 * listingMiB;
}
// Size, and whether the colours are on.
BENCHMARK(OpenProgram)
    ->Args({1 << 20, 0})
    ->Args({10 << 20, 0})
    ->Args({10 << 20, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void OpenLongLines(benchmark::State& state)
{
    const fs::path path = longLines(static_cast<std::size_t>(state.range(0)));
    const fs::path report = benchDir() / "report";
    double open = 0, peak = 0;
    for (auto _ : state) {
        const auto viewer =
            quillet::bench::runQuietChild({selfPath, "--open-child", path.string(), report.string(), "plain"});
        if (!viewer.ok) {
            state.SkipWithError("the child failed");
            return;
        }
        double total = 0;
        std::ifstream(report) >> open >> total;
        peak = viewer.peakMiB;
        state.SetIterationTime(open);
    }
    state.counters["open_cpu_ms"] = open * 1e3;
    state.counters["peak_MiB"] = peak;
    // As many lines of ordinary length open within this.
    state.counters["peak_limit_MiB"] = 40 + 8 * 5;
}
BENCHMARK(OpenLongLines)->Arg(64 << 10)->Arg(5 << 20)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void Scroll(benchmark::State& state)
{
    TForm1 window;
    window.resize(800, 600);
    window.show();
    window.FormCreate({});
    window.openDocument(QString::fromStdString(program(10 << 20).string()));
    QCoreApplication::processEvents();
    ListingView& view = *window.listingView();
    QScrollBar& bar = *view.verticalScrollBar();
    std::mt19937 random(5);
    std::vector<double> frames;
    for (auto _ : state) {
        frames.clear();
        bar.setValue(0);
        QElapsedTimer clock;
        clock.start();
        const auto frame = [&](int value) {
            QElapsedTimer one;
            one.start();
            bar.setValue(value);
            view.viewport()->repaint();
            frames.push_back(static_cast<double>(one.nsecsElapsed()) / 1e6);
        };
        for (int page = 0; page < 1000; ++page) // paging down
            frame(bar.value() + bar.pageStep());
        for (int jump = 0; jump < 500; ++jump) // the scroll bar dragged anywhere
            frame(static_cast<int>(random() % static_cast<unsigned>(bar.maximum() + 1)));
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    const double sum = std::accumulate(frames.begin(), frames.end(), 0.0);
    state.counters["fps"] = static_cast<double>(frames.size()) * 1e3 / sum;
    state.counters["slowest_frame_ms"] = *std::max_element(frames.begin(), frames.end());
    state.counters["frames_over_16ms"] =
        static_cast<double>(std::count_if(frames.begin(), frames.end(), [](double ms) { return ms > 16; }));
}
BENCHMARK(Scroll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    selfPath = argv[0];
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc == 5 && std::strcmp(argv[1], "--open-child") == 0) {
        int one = 1;
        return openChild(one, argv, argv[2], argv[3], std::strcmp(argv[4], "colours") == 0);
    }
    QApplication app(argc, argv);
    quillet::fonts::loadBundledFonts({QStringLiteral(QUILLET_BINARY_DIR "/fonts")});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(benchDir(), ignored);
    return 0;
}
