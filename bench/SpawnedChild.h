// SPDX-License-Identifier: MIT
#pragma once
// Short children started with posix_spawn rather than fork. A forked child
// is a copy of the benchmark until its exec, and tears that copy down in
// exec on its own CPU time, which weighs on a program that runs for a
// millisecond or two; a spawned child borrows the benchmark's memory until
// its exec and pays nothing for it. Peak memory is another matter: either
// way the kernel starts a child's peak at what the benchmark holds, so
// runMeasured goes through quillet-usage-of, a small C starter, for it.

#include "ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace quillet::bench {

enum class Start { Spawn, Fork };

namespace detail {

inline std::vector<char*> argvOf(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

inline double seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Spawns `args` with standard error thrown away and standard output to
// `out` (-1: thrown away too); the child's pid, or -1.
inline pid_t spawn(const std::vector<std::string>& args, int out)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (out < 0)
        posix_spawn_file_actions_adddup2(&actions, 2, 1);
    else
        posix_spawn_file_actions_adddup2(&actions, out, 1);
    std::vector<char*> argv = argvOf(args);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

} // namespace detail

// Runs `args` (the program first) quietly to its end: its CPU time from
// wait4, its peak being at least the benchmark's own size (see above).
inline ChildRun runStarted(const std::vector<std::string>& args, Start start = Start::Spawn)
{
    if (start == Start::Fork)
        return runQuietChild(args);
    ChildRun run;
    const pid_t pid = detail::spawn(args, -1);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.cpuSeconds = detail::seconds(usage.ru_utime) + detail::seconds(usage.ru_stime);
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

// Runs `args` quietly through the starter at `usageOf`: its CPU time and
// its own peak memory.
inline ChildRun runMeasured(const std::string& usageOf, std::vector<std::string> args)
{
    args.insert(args.begin(), usageOf);
    ChildRun run;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return run;
    const pid_t pid = detail::spawn(args, pipe[1]);
    close(pipe[1]);
    std::string report;
    char buffer[256];
    for (ssize_t got; (got = read(pipe[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(got));
    close(pipe[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return run;
    int exitStatus = -1;
    long cpuMicroseconds = 0, peakKiB = 0;
    if (std::sscanf(report.c_str(), "%d %ld %ld", &exitStatus, &cpuMicroseconds, &peakKiB) != 3)
        return run;
    run.ok = exitStatus == 0;
    run.cpuSeconds = static_cast<double>(cpuMicroseconds) / 1e6;
    run.peakMiB = static_cast<double>(peakKiB) / 1024.0;
    return run;
}

} // namespace quillet::bench
