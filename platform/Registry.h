#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Reading the system registry, as the drivers record their readers in it.
namespace platform {

inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002;

// A registry value as a query returns it: its type code (1 text, 3 raw bytes,
// 4 32-bit number, ...) and its data; text comes in the system code page
// with its terminating NUL.
struct RegistryValue {
    std::uint32_t type = 0;
    std::vector<unsigned char> data;

    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

// Value `name` of key `keyPath` under the root key `root`: nothing when the
// key or the value is missing or unreadable, or when the data is longer than
// `bufferSize` bytes. The registry is opened and closed within the call.
//
// On Linux the registry is the driver's file registry.reg in the KVR folder
// (KvrFolder.h), in the registry editor's export format, read afresh each time.
std::optional<RegistryValue> queryRegistryValue(std::uint32_t root, const std::string& keyPath,
                                                const std::string& name,
                                                std::size_t bufferSize = 2048);

} // namespace platform
