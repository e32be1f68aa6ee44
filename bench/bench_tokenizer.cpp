// SPDX-License-Identifier: MIT
// Tokenizing throughput on generated listings of about 1 MB in all, with
// keywords, names, strings, comments, DATA, line numbers and every kind of
// constant. A program ends below address FFFFH, so the megabyte is a run of
// listings of about 24 KB, each one program.

#include "decoder/Tokenizer.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> makeListings(std::size_t targetSize)
{
    static const char* const bodies[] = {
        "PRINT \"HELLO, \xB6\xC5\";A;&HFF+&O17",
        "FOR I=1 TO 100 STEP 2:X=X+1.5:NEXT",
        "REM comment with some text",
        "IF A>1000 THEN 100 ELSE GOSUB 2000",
        "DATA 1,2,3,\"ABC\",&H10",
        "D#=3.1415926535898#:E=1E-5:' note",
        "X$=LEFT$(A$,3)+CHR$(65):PRINT \"\x01\x41\"",
        "SCORE=SCORE+10:LOCATE 10,5:PRINT USING \"####\";SCORE",
        "ON X GOTO 10,20,30:COLOR 15,1,1:SCREEN 5",
        "A=123456789:B=.000123:C%=32767:D!=1.5!",
    };
    std::vector<std::string> listings;
    std::size_t total = 0;
    std::mt19937 random(7);
    while (total < targetSize) {
        std::string listing;
        for (unsigned number = 10; listing.size() < 24 * 1024; number += 10) {
            listing += std::to_string(number);
            listing += ' ';
            listing += bodies[random() % std::size(bodies)];
            listing += "\r\n";
        }
        total += listing.size();
        listings.push_back(std::move(listing));
    }
    return listings;
}

void TokenizeOneMegabyte(benchmark::State& state)
{
    const std::vector<std::string> listings = makeListings(1 << 20);
    std::size_t size = 0;
    for (const std::string& listing : listings)
        size += listing.size();
    for (auto _ : state) {
        for (const std::string& listing : listings) {
            std::string program = quillet::tokenizeListing(listing);
            benchmark::DoNotOptimize(program.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(TokenizeOneMegabyte)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
