#include "platform/Registry.h"

#ifdef _WIN32
#include <windows.h>

namespace platform {

std::optional<RegistryValue> queryRegistryValue(std::uint32_t root, const std::string& keyPath,
                                                const std::string& name, std::size_t bufferSize)
{
    HKEY key = nullptr;
    RegOpenKeyA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root)), keyPath.c_str(), &key);
    DWORD type = 0;
    std::vector<unsigned char> data(bufferSize);
    DWORD size = static_cast<DWORD>(bufferSize);
    const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(size);
    return RegistryValue{type, std::move(data)};
}

} // namespace platform

#else
#include "platform/Descriptors.h"
#include "platform/KvrFolder.h"
#include "platform/RegFileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// A record file larger than this is not the driver's.
constexpr off_t kLargestRegistryFile = 16 << 20;

std::optional<std::string> registryFile()
{
    const std::optional<std::string> folder = kvrFolder();
    const int fd = folder ? open((*folder + "/registry.reg").c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::string> text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kLargestRegistryFile) {
        text = readAll(fd);
    }
    close(fd);
    return text;
}

} // namespace

std::optional<RegistryValue> queryRegistryValue(std::uint32_t root, const std::string& keyPath,
                                                const std::string& name, std::size_t bufferSize)
{
    // The driver records its readers under HKEY_LOCAL_MACHINE only.
    const std::optional<std::string> file =
        root == kHkeyLocalMachine ? registryFile() : std::nullopt;
    std::optional<RegistryValue> value =
        file ? findRegValue(*file, "HKEY_LOCAL_MACHINE\\" + keyPath, name) : std::nullopt;
    return value && value->data.size() <= bufferSize ? std::move(value) : std::nullopt;
}

} // namespace platform
#endif
