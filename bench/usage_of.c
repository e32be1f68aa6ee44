/* SPDX-License-Identifier: MIT */
/* quillet-usage-of PROGRAM [ARGS...]: runs PROGRAM with its output thrown
 * away and prints "STATUS CPU_US PEAK_KIB" of it as wait4 reports them.
 * The kernel starts a child's peak memory at what its parent holds when it
 * calls exec, so a benchmark that starts a small program itself sees its
 * own size there; started from this small program, the peak is the
 * child's. */

#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid;
    if (posix_spawn(&pid, argv[1], &actions, NULL, argv + 1, environ) != 0)
        return 1;
    int status;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid)
        return 1;
    long cpu =
        (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L + usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    printf("%d %ld %ld\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128, cpu, usage.ru_maxrss);
    return 0;
}
