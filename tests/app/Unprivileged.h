// SPDX-License-Identifier: MIT
#pragma once
// Permission tests mean nothing to the superuser, and test machines often
// run as one; these run such a check as an ordinary user.

#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace quillet::test {

enum class CheckResult { Passed, Failed, NoUnprivilegedUser };

// Runs `check` in this process when it has no superuser rights, else in a
// child process that first becomes the user "nobody" (65534). Paths the check
// uses must be reachable by that user.
inline CheckResult runUnprivileged(const std::function<bool()>& check)
{
    if (::geteuid() != 0)
        return check() ? CheckResult::Passed : CheckResult::Failed;
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        bool ok = false;
        try {
            ok = check();
        } catch (...) {}
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return CheckResult::Failed;
    switch (WEXITSTATUS(status)) {
    case 0: return CheckResult::Passed;
    case 2: return CheckResult::NoUnprivilegedUser;
    default: return CheckResult::Failed;
    }
}

} // namespace quillet::test
