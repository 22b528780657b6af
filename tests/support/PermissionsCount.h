#pragma once

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <string>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

// Permission bits do not stop root. A test whose faults need them to count
// runs its body again in a fresh process of the test program that stays root
// but has given up the powers to pass them (CAP_DAC_OVERRIDE and
// CAP_DAC_READ_SEARCH, also for the program's helpers it starts), and passes
// when that run passes. The user stays the same, so the test program and its
// files stay reachable wherever the checkout lies, even in a private folder.
// Returns whether the body is to run in this process.
inline bool bodyRunsWherePermissionsCount()
{
    if (geteuid() != 0 || prctl(PR_CAPBSET_READ, CAP_DAC_OVERRIDE) == 0) {
        return true;
    }
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        ADD_FAILURE() << "cannot find the test program";
        return false;
    }
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string filter =
        std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    const pid_t child = fork();
    if (child == 0) {
        // Out of the bounding set, the powers do not come back when the test
        // program is started again; out of the other sets, they are gone now.
        for (const int power : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
            if (prctl(PR_CAPBSET_DROP, power, 0, 0, 0) != 0) {
                _exit(100);
            }
        }
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct sets[2] = {};
        if (syscall(SYS_capget, &header, sets) != 0) {
            _exit(100);
        }
        constexpr __u32 kDropped = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
        sets[0].effective &= ~kDropped;
        sets[0].permitted &= ~kDropped;
        sets[0].inheritable &= ~kDropped;
        if (syscall(SYS_capset, &header, sets) != 0) {
            _exit(100);
        }
        char* argv[] = {self, filter.data(), nullptr};
        execv(self, argv);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the test's run without root's powers over permissions failed (its output is above)";
    return false;
}
