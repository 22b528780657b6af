#include "platform/DriverDevice.h"

#include <cstddef>

namespace platform {
namespace {

using std::chrono::milliseconds;

constexpr std::size_t kLargestAnswer = 2000;
// Once an answer has begun, a pause this long ends it.
constexpr milliseconds kPauseAfterAnswer(50);

// A name is only ever one entry of the driver's devices, never a path.
bool isDeviceName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

} // namespace
} // namespace platform

#ifdef _WIN32
#include <optional>
#include <windows.h>

namespace platform {
namespace {

// Runs one overlapped read or write and waits for it at most `limit`; the
// bytes moved, nothing when it failed or did not finish in time.
template <typename Start>
std::optional<DWORD> overlappedCall(HANDLE device, milliseconds limit, Start start)
{
    OVERLAPPED call{};
    call.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (call.hEvent == nullptr) {
        return std::nullopt;
    }
    DWORD moved = 0;
    bool done = start(&call) || GetLastError() == ERROR_IO_PENDING;
    if (done &&
        WaitForSingleObject(call.hEvent, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
        CancelIo(device);
    }
    // Waits for the cancelled call too, so that `call` is no longer in use.
    done = done && GetOverlappedResult(device, &call, &moved, TRUE);
    CloseHandle(call.hEvent);
    return done ? std::optional(moved) : std::nullopt;
}

std::variant<std::string, DeviceFailure> exchange(HANDLE device, const std::string& request,
                                                  milliseconds limit)
{
    const auto written = overlappedCall(device, limit, [&](OVERLAPPED* call) {
        return WriteFile(device, request.data(), static_cast<DWORD>(request.size()), nullptr,
                         call) != FALSE;
    });
    if (!written || *written != request.size()) {
        return DeviceFailure::ExchangeFailed;
    }
    std::string answer;
    char buffer[kLargestAnswer];
    for (milliseconds wait = limit; answer.size() < kLargestAnswer; wait = kPauseAfterAnswer) {
        // A device that behaves as a serial port would otherwise hold a read
        // until the whole buffer is full: this ends it after `wait`, or once a
        // pause follows the first bytes. Other devices refuse the call, which
        // changes nothing.
        COMMTIMEOUTS timeouts{static_cast<DWORD>(kPauseAfterAnswer.count()), 0,
                              static_cast<DWORD>(wait.count()), 0, 0};
        SetCommTimeouts(device, &timeouts);
        const auto got = overlappedCall(device, wait, [&](OVERLAPPED* call) {
            return ReadFile(device, buffer, static_cast<DWORD>(kLargestAnswer - answer.size()),
                            nullptr, call) != FALSE;
        });
        if (!got || *got == 0) {
            break;
        }
        answer.append(buffer, *got);
    }
    if (answer.empty()) {
        return DeviceFailure::ExchangeFailed;
    }
    return answer;
}

} // namespace

std::variant<std::string, DeviceFailure>
askDriverDevice(const std::string& name, const std::string& request, milliseconds limit)
{
    const HANDLE device =
        isDeviceName(name) ? CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                         0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr)
                           : INVALID_HANDLE_VALUE;
    if (device == INVALID_HANDLE_VALUE) {
        return DeviceFailure::CannotOpen;
    }
    auto answer = exchange(device, request, limit);
    CloseHandle(device);
    return answer;
}

} // namespace platform

#else
#include "platform/Descriptors.h"
#include "platform/KvrFolder.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// Writes the request, then reads what comes within `limit`, and then as long
// as no pause ends it.
std::variant<std::string, DeviceFailure> exchange(int fd, const std::string& request,
                                                  milliseconds limit)
{
    if (!writeAll(fd, request)) {
        return DeviceFailure::ExchangeFailed;
    }
    std::string answer;
    char buffer[kLargestAnswer];
    Clock::time_point deadline = Clock::now() + limit;
    while (answer.size() < kLargestAnswer) {
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        pollfd wanted{fd, POLLIN, 0};
        const int ready =
            poll(&wanted, 1, static_cast<int>(std::max<milliseconds::rep>(left.count(), 0)));
        const ssize_t got = ready > 0 ? read(fd, buffer, kLargestAnswer - answer.size()) : ready;
        if (got > 0) {
            answer.append(buffer, static_cast<std::size_t>(got));
            deadline = Clock::now() + kPauseAfterAnswer;
        } else if (got == 0 || errno != EINTR) {
            // The end of the device or of the wait, or an error such as EIO from a pty
            // without its other side; an interrupted poll or read is tried again.
            break;
        }
    }
    if (answer.empty()) {
        return DeviceFailure::ExchangeFailed;
    }
    return answer;
}

} // namespace

std::variant<std::string, DeviceFailure>
askDriverDevice(const std::string& name, const std::string& request, milliseconds limit)
{
    const std::optional<std::string> folder = kvrFolder();
    const int fd = folder && isDeviceName(name)
                       ? open((*folder + "/devices/" + name).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)
                       : -1;
    if (fd < 0) {
        return DeviceFailure::CannotOpen;
    }
    auto answer = exchange(fd, request, limit);
    close(fd);
    return answer;
}

} // namespace platform
#endif
