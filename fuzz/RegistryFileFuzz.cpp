// Any registry.reg of the KVR folder through the reading of any value as ReadRegistry reads it
// (no more than its 2048-byte buffer), and through the port list (of 32 readers at most).

#include "device/DriverDiscovery.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The driver's folder, in the run's own TMPDIR.
    setenv("XDG_RUNTIME_DIR", std::filesystem::temp_directory_path().c_str(), 1);
    std::filesystem::create_directory(std::filesystem::temp_directory_path() / "kvr");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string key = in.ConsumeRandomLengthString(100),
                      name = in.ConsumeRandomLengthString(40);
    std::ofstream(std::filesystem::temp_directory_path() / "kvr/registry.reg")
        << in.ConsumeRemainingBytesAsString();
    const auto value = platform::queryRegistryValue(platform::kHkeyLocalMachine, key, name, 2048);
    FUZZ_CHECK(!value || value->data.size() <= 2048);
    FUZZ_CHECK(driverPortLines([](const QString& section, const QString& value) {
                   return readRegistryText(platform::kHkeyLocalMachine, section, value);
               }).size() <= 32);
    return 0;
}
