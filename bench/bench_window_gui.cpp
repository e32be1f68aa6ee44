// SPDX-License-Identifier: MIT
// The main window end to end, offscreen: from creating the window with a
// typical program on the command line to its first painted listing, and
// from opening a plain-text listing of 1 MB and 10 MB to the view painted.
//
// Run offscreen: QT_QPA_PLATFORM=offscreen bench_window_gui

#include "common/AnnotatedHex.h"
#include "fonts/BundledFonts.h"
#include "ui/ListingView.h"
#include "ui/QuilletUnit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

// Notes paint events of a widget.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    // A long load lets the window paint part of the listing; only a paint
    // after the load has returned shows the finished one.
    void forget() { painted = false; }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Waits for the repaint the finished load left pending, without asking
// for one: a forced repaint would time a paint the viewer may never make.
bool waitForPaint(PaintWatch& watch)
{
    QElapsedTimer waited;
    waited.start();
    while (!watch.painted && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return watch.painted;
}

fs::path benchDir()
{
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("quillet-window-bench-" + std::to_string(getpid()));
        fs::create_directories(d / "config");
        setenv("XDG_CONFIG_HOME", (d / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (d / "share").c_str(), 1);
        return d;
    }();
    return dir;
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A typical program: a few hundred lines of the sample's kind.
fs::path typicalProgram()
{
    const fs::path path = benchDir() / "typical.bas";
    std::string program = "\xFF";
    const std::string body = quillet::bytesFromAnnotatedHex(
        "91 20 22 B6 C5 20 01 41 22 3A 41 EF 0C FF 00 F1 1D 41 15 00 00 3A 8F 20 6E 6F 74 65 00");
    for (unsigned number = 10; number <= 3000; number += 10) {
        program += "\x01\x80";
        program += static_cast<char>(number & 0xFF);
        program += static_cast<char>(number >> 8);
        program += body;
    }
    program += std::string(2, '\0');
    writeFile(path, program);
    return path;
}

fs::path plainListing(std::size_t size)
{
    const fs::path path = benchDir() / ("plain-" + std::to_string(size) + ".asc");
    if (fs::exists(path))
        return path;
    static const char* const bodies[] = {"PRINT \"\xB6\xC5 \xC3\xBD\xC4\"", "PRINT \"\x01\x41\x01\x42\"",
                                         "A$=\"\xAD\":B=&HFF", "FOR I=1 TO 100:PRINT I:NEXT"};
    std::string text;
    std::mt19937 random(3);
    for (unsigned number = 10; text.size() < size; number = number < 65000 ? number + 10 : 10)
        text += std::to_string(number) + ' ' + bodies[random() % 4] + "\r\n";
    writeFile(path, text);
    return path;
}

void StartupToFirstPaint(benchmark::State& state)
{
    const QString program = QString::fromStdString(typicalProgram().string());
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto window = std::make_unique<TForm1>();
        PaintWatch watch(window->listingView()->viewport());
        window->show();
        window->FormCreate({program});
        watch.forget();
        if (!waitForPaint(watch)) {
            state.SkipWithError("the listing was not painted after the load");
            break;
        }
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        window->close();
    }
}
BENCHMARK(StartupToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void OpenPlainListing(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const QString path = QString::fromStdString(plainListing(size).string());
    TForm1 window;
    window.show();
    window.FormCreate({});
    for (auto _ : state) {
        window.Clear1Click();
        QCoreApplication::processEvents();
        PaintWatch watch(window.listingView()->viewport());
        QElapsedTimer timer;
        timer.start();
        window.openDocument(path);
        watch.forget();
        if (!waitForPaint(watch)) {
            state.SkipWithError("the listing was not painted after the load");
            break;
        }
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    window.close();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(OpenPlainListing)->Arg(1 << 20)->Arg(10 << 20)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QElapsedTimer appTimer;
    appTimer.start();
    QApplication app(argc, argv);
    // The pixel fonts, as the viewer registers them at start.
    quillet::fonts::loadBundledFonts({QStringLiteral(QUILLET_BINARY_DIR "/fonts")});
    const double appMs = static_cast<double>(appTimer.nsecsElapsed()) / 1e6;
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("qapplication_creation_ms", std::to_string(appMs));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(benchDir(), ignored);
    return 0;
}
