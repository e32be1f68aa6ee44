// SPDX-License-Identifier: MIT
// Decoding throughput on a generated tokenized program of about 1 MB with
// keywords, strings, comments, DATA and every kind of constant; and the
// listed lines with their roles, as the cross-reference and the HTML page
// read them, over a 50 MB program in a file against a plain byte loop over
// the same file (`x_byte_loop`: the walk's CPU time over the loop's, both
// measured in the same iterations; the ASCII listing of the same file is
// given beside it).

#include "GeneratedProgram.h"
#include "ScratchFolder.h"
#include "common/ByteStream.h"
#include "decoder/ListingConverter.h"
#include "document/Document.h"
#include "document/ListedLines.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

namespace {

void DecodeOneMegabyte(benchmark::State& state)
{
    const std::string program = quillet::bench::generatedProgramLines(1 << 20);
    for (auto _ : state) {
        quillet::MemorySource source(program);
        quillet::StringSink sink;
        quillet::convertTokenizedBasic(source, sink, {});
        benchmark::DoNotOptimize(sink.str().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * program.size()));
}
BENCHMARK(DecodeOneMegabyte)->Unit(benchmark::kMillisecond);

// The 50 MB program, written once.
const std::string& bigProgram()
{
    static const std::string path = [] {
        const std::string name = (quillet::bench::scratch().path() / "big.bas").string();
        std::ofstream(name, std::ios::binary) << '\xFF' << quillet::bench::generatedProgramLines(50u << 20);
        return name;
    }();
    return path;
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The yardstick: every byte of the file through a loop, nothing more.
unsigned long byteLoop(const std::string& path)
{
    quillet::FilePtr file(std::fopen(path.c_str(), "rb"));
    static unsigned char buffer[64 * 1024];
    unsigned long sum = 0;
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        for (std::size_t i = 0; i < got; ++i)
            sum += buffer[i];
    return sum;
}

class NullSink final : public quillet::ByteSink {
public:
    void write(const void*, std::size_t size) override { written += size; }
    std::size_t written = 0;
};

enum class Walk { ListedLines, AsciiListing };

void FiftyMegabytes(benchmark::State& state, Walk walk)
{
    const std::string& path = bigProgram();
    double walkCpu = 0, loopCpu = 0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        quillet::FilePtr file = quillet::openForReading(path);
        quillet::FileSource source(file.get());
        const quillet::DocumentHead head = quillet::readDocumentHead(source, path);
        if (walk == Walk::ListedLines) {
            std::size_t references = 0;
            quillet::forEachListedLine(head, source, {}, [&](const quillet::ListedLine& line) {
                for (const quillet::RoleSpan& span : line.roles)
                    references += span.role == quillet::Role::LineReference;
            });
            benchmark::DoNotOptimize(references);
        } else {
            NullSink sink;
            quillet::writeListing(head, source, sink, {});
            benchmark::DoNotOptimize(sink.written);
        }
        const double middle = cpuSeconds();
        benchmark::DoNotOptimize(byteLoop(path));
        walkCpu += middle - start;
        loopCpu += cpuSeconds() - middle;
    }
    state.counters["x_byte_loop"] = loopCpu > 0 ? walkCpu / loopCpu : 0;
    state.counters["walk_ms"] = 1000 * walkCpu / static_cast<double>(state.iterations());
    state.counters["loop_ms"] = 1000 * loopCpu / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(FiftyMegabytes, listed_lines, Walk::ListedLines)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(FiftyMegabytes, ascii_listing, Walk::AsciiListing)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
