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
    if (!folder) {
        return std::nullopt;
    }
    const int fd = open((*folder + "/registry.reg").c_str(), O_RDONLY | O_CLOEXEC);
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

std::string rootName(std::uint32_t root)
{
    return root == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE" : std::string();
}

} // namespace

std::optional<RegistryValue> queryRegistryValue(std::uint32_t root, const std::string& keyPath,
                                                const std::string& name, std::size_t bufferSize)
{
    const std::string rootKey = rootName(root);
    const std::optional<std::string> file = registryFile();
    if (rootKey.empty() || !file) {
        return std::nullopt;
    }
    std::optional<RegistryValue> value = findRegValue(*file, rootKey + "\\" + keyPath, name);
    if (value && value->data.size() > bufferSize) {
        return std::nullopt;
    }
    return value;
}

} // namespace platform
#endif
