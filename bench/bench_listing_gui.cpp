// SPDX-License-Identifier: MIT
// The rich-text listing end to end: building the RTF of a generated
// listing (kana, graphic characters, 0xAD) and loading it into the
// listing view, for listings of 100 KB, 1 MB and 10 MB (1 KB shows the
// one-time cost of the first view and its fonts). Peak memory is
// bench_view_gui's: a process's peak only grows, so one process running
// every size cannot tell one size's from another's.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "common/ByteStream.h"
#include "common/QuilletUnitGrobal.h"
#include "fonts/BundledFonts.h"
#include "render/RtfListing.h"
#include "ui/ListingView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

std::string makeListing(std::size_t targetSize)
{
    static const char* const bodies[] = {
        "PRINT \"\xB6\xC5 \xC3\xBD\xC4\"",                    // katakana
        "PRINT \"\x01\x41\x01\x42\x01\x57\x01\x58\x01\x59\"", // graphic characters
        "A$=\"\xAD\xAD\":B=&HFF:C=1.5",                       // the mapped small yu
        "REM \x91\x92\x93 \x80\x81\x82\x83",                  // hiragana and card suits
        "FOR I=1 TO 100:PRINT CHR$(I);:NEXT I",
        "IF A>100 THEN 110 ELSE PRINT LEFT$(\"ABC\",2)",
    };
    std::string listing;
    listing.reserve(targetSize + 128);
    std::mt19937 random(11);
    unsigned number = 10;
    while (listing.size() < targetSize) {
        listing += std::to_string(number) + ' ' + bodies[random() % std::size(bodies)] + "\r\n";
        number = number < 65520 ? number + 10 : 10;
    }
    return listing;
}

std::string scratchPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("quillet-bench-") + std::to_string(getpid()) + name))
        .string();
}

void BM_BuildRtf(benchmark::State& state)
{
    const std::string listing = makeListing(static_cast<std::size_t>(state.range(0)));
    const quillet::RtfListingOptions options;
    const std::string path = scratchPath("build.rtf");
    for (auto _ : state) {
        quillet::MemorySource source(listing);
        quillet::FileSink sink(path);
        benchmark::DoNotOptimize(quillet::writeRtfListing(source, sink, options));
        sink.close();
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listing.size()));
}

// The whole listing build: RTF file, load, line count, formatting.
void BM_ShowListing(benchmark::State& state)
{
    const std::string listing = makeListing(static_cast<std::size_t>(state.range(0)));
    const std::string path = scratchPath("show.rtf");
    const quillet::Settings settings;
    for (auto _ : state) {
        ListingView view;
        view.resize(640, 400);
        view.show();
        quillet::MemorySource source(listing);
        const quillet::RtfListingOptions options = quillet::RtfListingOptions::fromSettings(settings);
        quillet::FileSink sink(path);
        const auto lines = quillet::writeRtfListing(source, sink, options);
        sink.close();
        view.showListing(QString::fromStdString(path), {quillet::mappedCodeFor0xAD(options)},
                         {Qt::black, Qt::white, settings.fontSize, settings.fontCharset,
                          QString::fromStdString(settings.fontNameAnk), false});
        QApplication::processEvents(); // first paint
        benchmark::DoNotOptimize(lines);
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listing.size()));
}

// Loading a ready RTF file only.
void BM_LoadRtf(benchmark::State& state)
{
    const std::string listing = makeListing(static_cast<std::size_t>(state.range(0)));
    const std::string path = scratchPath("load.rtf");
    {
        quillet::MemorySource source(listing);
        quillet::FileSink sink(path);
        quillet::writeRtfListing(source, sink, {});
        sink.close();
    }
    for (auto _ : state) {
        ListingView view;
        view.loadRtfFile(QString::fromStdString(path));
        benchmark::DoNotOptimize(view.text().lineCount());
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listing.size()));
}

constexpr std::int64_t KB = 1024;

BENCHMARK(BM_BuildRtf)->Arg(100 * KB)->Arg(1024 * KB)->Arg(10240 * KB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRtf)->Arg(100 * KB)->Arg(1024 * KB)->Arg(10240 * KB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ShowListing)
    ->Arg(KB)
    ->Arg(100 * KB)
    ->Arg(1024 * KB)
    ->Arg(10240 * KB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The pixel fonts, as the viewer registers them at start.
    quillet::fonts::loadBundledFonts({QStringLiteral(QUILLET_BINARY_DIR "/fonts")});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
