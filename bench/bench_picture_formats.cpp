// SPDX-License-Identifier: MIT
// A paint program's compressed picture against the same picture stored raw,
// each opened from its bytes and decoded through the picture road as every
// program does: the unpacking is the only work the compressed one adds. The
// bundled SCREEN 5 sample (flat sky and sea, runs to pack) and a SCREEN 8
// screen of noise, which packs to more than it holds.

#include "document/Open.h"
#include "document/Picture.h"
#include "image/BsaveHeader.h"
#include "tools/PictureGen.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace quillet;

std::string sampleVram()
{
    return gen::sampleScreen5().substr(BsaveHeaderBytes);
}

std::string noiseVram()
{
    std::string vram(0xD400, '\0');
    std::uint32_t state = 17;
    for (char& byte : vram) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return vram;
}

void decodePicture(benchmark::State& state, const std::string& name, const std::string& file)
{
    auto converter = std::make_unique<BsaveConverter>();
    for (auto _ : state) {
        Opened document = openBytes(name, file);
        const PictureFile picture(document);
        const PictureResult result = picture.decode(picture.chooseMode({}).mode, PictureRequest{}, *converter);
        benchmark::DoNotOptimize(result.picture.rgb.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
}

void Screen5Raw(benchmark::State& state)
{
    decodePicture(state, "ART.SR5", gen::bsaveFile(0, sampleVram()));
}
BENCHMARK(Screen5Raw)->Unit(benchmark::kMicrosecond);

void Screen5Compressed(benchmark::State& state)
{
    decodePicture(state, "ART.SR5", gen::compressedPicture(sampleVram()));
}
BENCHMARK(Screen5Compressed)->Unit(benchmark::kMicrosecond);

void Screen8NoiseRaw(benchmark::State& state)
{
    decodePicture(state, "ART.SR8", gen::bsaveFile(0, noiseVram()));
}
BENCHMARK(Screen8NoiseRaw)->Unit(benchmark::kMicrosecond);

void Screen8NoiseCompressed(benchmark::State& state)
{
    decodePicture(state, "ART.SR8", gen::compressedPicture(noiseVram()));
}
BENCHMARK(Screen8NoiseCompressed)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
