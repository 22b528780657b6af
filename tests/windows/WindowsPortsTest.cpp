#include "platform/DriverDevice.h"

#include <gtest/gtest.h>

#include <windows.h>

// The driver's device \\.\KVR0 and the virtual COM port \\.\COM5 as Wine
// presents them: lower-case dosdevices links to kvr-sim's pseudo-terminals
// (scripts/test-windows makes them).

namespace {

using platform::askDriverDevice;
using platform::DeviceFailure;

DWORD openHandles()
{
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

TEST(WindowsPorts, TheDriversDeviceTellsThePortAndIsClosedAfterEachCall)
{
    const DWORD before = openHandles();
    for (int i = 0; i < 3; ++i) {
        const auto answer = askDriverDevice("KVR0", "/get port_name\n");
        ASSERT_TRUE(std::holds_alternative<std::string>(answer));
        EXPECT_NE(std::get<std::string>(answer).find(" (COM5)"), std::string::npos);
    }
    EXPECT_EQ(openHandles(), before);
}

TEST(WindowsPorts, NamesThatAreNotOneDeviceAreRefused)
{
    const std::string names[] = {"",    ".", "..", "KVR0/..", "..\\KVR0", std::string("KVR0\0", 5),
                                 "KVR7"};
    for (const std::string& name : names) {
        EXPECT_EQ(askDriverDevice(name, "/get port_name\n"),
                  (std::variant<std::string, DeviceFailure>(DeviceFailure::CannotOpen)))
            << name;
    }
}

// What the serial component does on Windows: open \\.\COM5, send a line, read the reply.
TEST(WindowsPorts, AVersionExchangeOnTheVirtualComPort)
{
    const HANDLE port = CreateFileA("\\\\.\\COM5", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 50;
    timeouts.ReadTotalTimeoutConstant = 2000;
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(port, "/ver\n", 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    std::string reply;
    char buffer[256];
    DWORD got = 0;
    while (reply.find('\n') == std::string::npos &&
           ReadFile(port, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        reply.append(buffer, got);
    }
    CloseHandle(port);
    EXPECT_EQ(reply, "/ver KVR-SIM 2.10\r\n");
}

} // namespace
