// SPDX-License-Identifier: MIT
// Decoding throughput on a generated tokenized program of about 1 MB with
// keywords, strings, comments, DATA and every kind of constant.

#include "GeneratedProgram.h"
#include "common/ByteStream.h"
#include "decoder/ListingConverter.h"

#include <benchmark/benchmark.h>

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

} // namespace

BENCHMARK_MAIN();
