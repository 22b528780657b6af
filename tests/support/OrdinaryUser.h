#pragma once

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

// Permission bits do not stop root. A test whose faults need them to count
// runs its body as an ordinary user: run as root, it runs itself again in a
// fresh process of the test program as user nobody (so that the program's
// helpers run as that user too) and passes when that run passes. Returns
// whether the body is to run in this process.
inline bool bodyRunsAsOrdinaryUser()
{
    constexpr uid_t kNobody = 65534;
    if (geteuid() != 0) {
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
    const int code = exitCodeInChild(kNobody, [&] {
        char* argv[] = {self, filter.data(), nullptr};
        execv(self, argv);
        return 127;
    });
    EXPECT_EQ(code, 0) << "the test's run as user nobody failed (its output is above)";
    return false;
}
