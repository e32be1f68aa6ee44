// SPDX-License-Identifier: MIT
#pragma once
// A program run to its end as a child of the benchmark, with what the
// kernel counted for it alone (wait4): its CPU time and its peak memory.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace quillet::bench {

struct ChildRun {
    bool ok = false; // exited with status 0
    double cpuSeconds = 0;
    double wallSeconds = 0;
    double peakMiB = 0;
};

// Runs `args` (the program first) with standard output and error thrown away.
inline ChildRun runQuietChild(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    ChildRun run;
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return run;
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0; // KiB on Linux
    return run;
}

} // namespace quillet::bench
