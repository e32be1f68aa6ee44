// SPDX-License-Identifier: MIT
// The file list's previews, offscreen: a full 720 KB disk of 100 members
// (20 SCREEN 5 pictures, 80 programs) from the list shown to its last
// preview in place, and the longest the window's event loop waited
// meanwhile (a timer asks every 5 ms; the rows themselves are made before
// and timed apart).
//
// Run offscreen: QT_QPA_PLATFORM=offscreen bench_previews_gui

#include "GeneratedProgram.h"
#include "container/Container.h"
#include "fonts/BundledFonts.h"
#include "support/FatImageBuilder.h"
#include "ui/MemberListPanel.h"
#include "ui/MemberPreviews.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path fullDisk()
{
    static const fs::path path = [] {
        const fs::path dir = fs::temp_directory_path() / ("quillet-previews-bench-" + std::to_string(getpid()));
        fs::create_directories(dir);
        quillet::test::FatImageBuilder disk(quillet::test::FatLayout::doubleSided720k());
        for (int i = 0; i < 20; ++i) {
            std::string picture("\xFE\x00\x00\xFF\x69\x00\x00", 7);
            for (int at = 0; at < 0x6A00; ++at)
                picture += static_cast<char>((at / 128 + at % 128 + i) & 0xFF);
            disk.addFile("", "PIC" + std::to_string(i) + ".SC5", picture);
        }
        for (int i = 0; i < 80; ++i)
            disk.addFile("", "PROG" + std::to_string(i) + ".BAS", "\xFF" + quillet::bench::generatedProgramLines(1500));
        const fs::path file = dir / "full.dsk";
        std::ofstream(file, std::ios::binary)
            .write(disk.bytes().data(), static_cast<std::streamsize>(disk.bytes().size()));
        return file;
    }();
    return path;
}

void PreviewsOfAFullDisk(benchmark::State& state)
{
    const fs::path file = fullDisk();
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::unique_ptr<quillet::Container> disk = quillet::openContainer(bytes, "full.dsk");
    const QString path = QString::fromStdString(file.string());
    MemberListPanel panel;
    int made = 0;
    QObject::connect(panel.previews(), &quillet::ui::MemberPreviews::previewReady, [&made] { ++made; });
    double longestWait = 0;
    double longestList = 0; // showMembers itself: the rows, before any preview
    for (auto _ : state) {
        made = 0;
        bool done = false;
        const auto connection =
            QObject::connect(panel.previews(), &quillet::ui::MemberPreviews::finished, [&done] { done = true; });
        QElapsedTimer timer;
        timer.start();
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestWait = std::max(longestWait, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        QElapsedTimer listing;
        listing.start();
        panel.showMembers(path, *disk);
        longestList = std::max(longestList, static_cast<double>(listing.nsecsElapsed()) / 1e6);
        sinceTick.restart();
        tick.start(5);
        while (!done && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        QObject::disconnect(connection);
        if (made != 100)
            state.SkipWithError("not every member got its preview");
    }
    state.counters["previews"] = made;
    state.counters["longest_event_wait_ms"] = longestWait;
    state.counters["list_rows_ms"] = longestList;
}
BENCHMARK(PreviewsOfAFullDisk)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    quillet::fonts::loadBundledFonts({QStringLiteral(QUILLET_BINARY_DIR "/fonts")});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(fullDisk().parent_path(), ignored);
    return 0;
}
