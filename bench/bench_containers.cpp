// SPDX-License-Identifier: MIT
// A full 720 KB MSX-DOS disk image (20 programs, 20 SCREEN 5 pictures and
// their texts): listing it, reading every member, and quillet-convert
// --extract-all of it into a fresh folder, per image. A walk that reads
// every member of a tar.gz, at two counts of members: the time per member
// stays the same, since the stream is unpacked once.

#include "container/Container.h"
#include "convert/ConvertCli.h"
#include "support/ArchiveBuilder.h"
#include "support/FatImageBuilder.h"

#include <archive.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using quillet::test::FatImageBuilder;
using quillet::test::FatLayout;

// 200 lines of 10 PRINT "HELLO, WORLD" and so on.
std::string program()
{
    std::string bytes = "\xFF";
    for (int line = 10; line <= 2000; line += 10) {
        const std::string body = std::string("\x91 \"HELLO, WORLD\"", 16) + '\0';
        const int link = 0x8001 + static_cast<int>(bytes.size()) + 4 + static_cast<int>(body.size());
        bytes += static_cast<char>(link & 0xFF);
        bytes += static_cast<char>(link >> 8);
        bytes += static_cast<char>(line & 0xFF);
        bytes += static_cast<char>(line >> 8);
        bytes += body;
    }
    return bytes + std::string(2, '\0');
}

// A whole SCREEN 5 page of 212 lines, from address 0.
std::string picture(unsigned seed)
{
    std::string bytes = "\xFE\x00\x00\xFF\x69\x00\x00";
    bytes[1] = bytes[2] = bytes[5] = bytes[6] = '\0';
    std::uint32_t state = seed;
    for (int i = 0; i <= 0x69FF; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes += static_cast<char>(state >> 24);
    }
    return bytes;
}

const std::string& diskImage()
{
    static const std::string image = [] {
        FatImageBuilder disk(FatLayout::doubleSided720k());
        for (int i = 0; i < 20; ++i) {
            const std::string n = std::to_string(i);
            disk.addFile("", "GAME" + n + ".BAS", program());
            disk.addFile("", "PIC" + n + ".SC5", picture(static_cast<unsigned>(i)));
            disk.addFile("", "NOTE" + n + ".TXT", "10 REM NOTE\r\n\x1A");
        }
        return disk.bytes();
    }();
    return image;
}

void listDisk(benchmark::State& state)
{
    for (auto _ : state) {
        const auto disk = quillet::openContainer(diskImage(), "bench.dsk");
        std::size_t members = 0;
        quillet::walkMembers(*disk, [&](const quillet::WalkedMember&) { ++members; });
        benchmark::DoNotOptimize(members);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * diskImage().size()));
}
BENCHMARK(listDisk)->Unit(benchmark::kMillisecond);

void readEveryMember(benchmark::State& state)
{
    for (auto _ : state) {
        const auto disk = quillet::openContainer(diskImage(), "bench.dsk");
        std::size_t bytes = 0;
        for (std::size_t i = 0; i < disk->members().size(); ++i)
            bytes += disk->read(i).size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(readEveryMember)->Unit(benchmark::kMillisecond);

// The whole command: read the image, list it, convert and write 100 files.
void extractAll(benchmark::State& state)
{
    char pattern[] = "/tmp/quillet-bench-XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    const std::string image = (dir / "bench.dsk").string();
    std::ofstream(image, std::ios::binary) << diskImage();
    std::FILE* sink = std::fopen("/dev/null", "w");
    int run = 0;
    for (auto _ : state) {
        const std::string out = (dir / ("out" + std::to_string(run++))).string();
        if (quillet::cli::run({"--extract-all", image, out}, sink, sink) != quillet::cli::ExitOk)
            state.SkipWithError("extraction failed");
        state.PauseTiming();
        std::filesystem::remove_all(out);
        state.ResumeTiming();
    }
    std::fclose(sink);
    std::filesystem::remove_all(dir);
}
BENCHMARK(extractAll)->Unit(benchmark::kMillisecond)->UseRealTime();

void walkTarGz(benchmark::State& state)
{
    std::vector<quillet::test::ArchiveEntry> entries;
    for (int i = 0; i < state.range(0); ++i)
        entries.push_back({"m" + std::to_string(i) + ".sc5", picture(static_cast<unsigned>(i))});
    const std::string bytes =
        quillet::test::writeArchive(archive_write_set_format_pax_restricted, entries, archive_write_add_filter_gzip);
    for (auto _ : state) {
        quillet::WorkBudget budget;
        const auto archive = quillet::openContainer(bytes, "bench.tgz", budget);
        std::size_t read = 0;
        quillet::walkMembers(
            *archive, [&](const quillet::WalkedMember& m) { read += m.bytes ? m.bytes->size() : 0; }, budget,
            quillet::WalkReads::Everything);
        benchmark::DoNotOptimize(read);
    }
    state.counters["members"] = static_cast<double>(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(walkTarGz)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
