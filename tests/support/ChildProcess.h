#pragma once

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs `body` in a child process, as the user `uid` when the tests run as
// root (so that permissions count), and gives its exit code; -1 when it did
// not end normally, 100 when it could not become that user.
template <typename Body> int exitCodeInChild(uid_t uid, Body body)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && uid != 0 &&
            (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0)) {
            _exit(100);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Another program holding something: `hold` runs in a child process and
// returns a pointer that owns what it holds (null when it failed), and the
// child keeps it until the object goes, at most a minute.
class ChildHolding {
public:
    template <typename Hold> explicit ChildHolding(Hold hold)
    {
        int ready[2];
        int stop[2];
        if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(stop, O_CLOEXEC) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(stop[1]);
            auto held = hold();
            const char answer = held ? '1' : '0';
            [[maybe_unused]] const ssize_t told = write(ready[1], &answer, 1);
            pollfd released{stop[0], POLLIN, 0};
            poll(&released, 1, 60000);
            held.reset();
            _exit(0);
        }
        close(ready[1]);
        close(stop[0]);
        stop_ = stop[1];
        pollfd told{ready[0], POLLIN, 0};
        char answer = 0;
        holding_ = poll(&told, 1, 10000) > 0 && read(ready[0], &answer, 1) == 1 && answer == '1';
        close(ready[0]);
    }

    ~ChildHolding() { release(); }

    ChildHolding(const ChildHolding&) = delete;
    ChildHolding& operator=(const ChildHolding&) = delete;

    bool holding() const { return holding_; }

    // The child lets go and ends.
    void release()
    {
        if (pid_ > 0) {
            close(stop_);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    int stop_ = -1;
    bool holding_ = false;
};
