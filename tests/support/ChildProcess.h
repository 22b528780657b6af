#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs `body` in a child process, as the user `uid` when the tests run as root
// (so that permissions count), and gives its exit code: -1 when it did not end
// normally, 100 when it could not become that user.
template <typename Body> int exitCodeInChild(uid_t uid, Body body)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0)) {
            _exit(100);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
