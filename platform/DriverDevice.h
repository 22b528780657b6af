#pragma once

#include <chrono>
#include <string>
#include <variant>

// The KVR driver's own device, reached by name as a file of raw bytes: the
// KVR folder's devices/<name> on Linux, \\.\<name> on Windows.
namespace platform {

enum class DeviceFailure {
    CannotOpen,    // no such device, or a name that would reach outside the driver's devices
    ExchangeFailed // the request could not be written, or no answer came in time
};

// Writes `request` to the device `name`, then reads its answer: at most 2000
// bytes, whatever has come once the first bytes arrive and a short pause
// follows, or nothing within `limit` (a failure). The device is closed again
// in every case. Names holding "/", "\" or a NUL, and "." and "..", are refused
// as devices that cannot be opened.
std::variant<std::string, DeviceFailure>
askDriverDevice(const std::string& name, const std::string& request,
                std::chrono::milliseconds limit = std::chrono::milliseconds(2000));

} // namespace platform
