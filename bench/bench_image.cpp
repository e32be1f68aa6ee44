// SPDX-License-Identifier: MIT
// Conversion of one whole BSAVE image to its BMP picture in memory, per
// image: SCREEN 12 (YJK, the heaviest rule) and SCREEN 7 (512 wide, with
// its own palette at the top of the file).

#include "common/ByteStream.h"
#include "image/BsaveConverter.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// Keeps one buffer across iterations, as the picture file keeps its name.
class ReusedSink final : public quillet::ByteSink {
public:
    void write(const void* data, std::size_t size) override { bytes.append(static_cast<const char*>(data), size); }
    std::string bytes;
};

// Data bytes from address 0 up to `end` (inclusive), after the 6 header bytes.
std::string makeImage(std::size_t end, unsigned seed)
{
    std::string file;
    file += '\0';
    file += '\0';
    file += static_cast<char>(end & 0xFF);
    file += static_cast<char>(end >> 8);
    file += '\0';
    file += '\0';
    std::uint32_t state = seed;
    for (std::size_t a = 0; a <= end; ++a) {
        state = state * 1664525u + 1013904223u;
        file += static_cast<char>(state >> 24);
    }
    return file;
}

void convertImage(benchmark::State& state, int mode, std::size_t end)
{
    const std::string file = makeImage(end, 17);
    auto converter = std::make_unique<quillet::BsaveConverter>();
    ReusedSink sink;
    sink.bytes.reserve(200 * 1024);
    for (auto _ : state) {
        sink.bytes.clear();
        quillet::MemorySource source(file);
        converter->convert(source, mode, sink);
        benchmark::DoNotOptimize(sink.bytes.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["bmp_bytes"] = static_cast<double>(sink.bytes.size());
}

void Screen12Image(benchmark::State& state)
{
    convertImage(state, 12, 212 * 256 - 1);
}
BENCHMARK(Screen12Image)->Unit(benchmark::kMicrosecond);

void Screen7Image(benchmark::State& state)
{
    convertImage(state, 7, 0xFA9F); // lines and the palette table
}
BENCHMARK(Screen7Image)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
