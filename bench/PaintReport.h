// SPDX-License-Identifier: MIT
#pragma once
// How a start-up driver says it has painted, for bench_startup_process:
//   paint_cpu_us N        its user + system CPU time at that paint
//   paint_monotonic_ns N  CLOCK_MONOTONIC at that paint

#include <sys/resource.h>

#include <cstdio>
#include <ctime>

namespace quillet::bench {

inline void printPaintReport()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto micros = [](const timeval& t) { return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec; };
    std::printf("paint_cpu_us %lld\n", micros(usage.ru_utime) + micros(usage.ru_stime));
    std::printf("paint_monotonic_ns %lld\n", static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec);
}

} // namespace quillet::bench
