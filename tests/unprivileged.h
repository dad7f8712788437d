// Runs a check as an ordinary user, so that refused permissions are real even for root.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace brisel {

// True if `check` returns true. As root, the check runs in a child process that has
// dropped to the user "nobody", and its files must be open to that user.
inline bool asOrdinaryUser(const std::function<bool()>& check) {
    if (::geteuid() != 0)
        return check();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace brisel
