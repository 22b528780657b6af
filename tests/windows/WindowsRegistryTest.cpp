#include "platform/Registry.h"

#include <gtest/gtest.h>

// The records that kvr-sim wrote, imported with "wine regedit /S", and the
// values that "wine reg add" set under Software\Orvelle Tests, read through
// the system's registry (scripts/test-windows prepares both).

namespace {

using platform::kHkeyLocalMachine;
using platform::queryRegistryValue;
using platform::RegistryValue;

RegistryValue text(const std::string& value)
{
    return {1, std::vector<unsigned char>(value.begin(), value.end() + 1)};
}

const std::string kTests = "Software\\Orvelle Tests";

TEST(WindowsRegistry, TheSimulatedDriversRecordsReadAsTheirText)
{
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine,
                                 "System\\CurrentControlSet\\Services\\Class\\Vor-Lan\\0000",
                                 "DriverDesc"),
              text("KVR Reader 0"));
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, "Enum\\Root\\Vor-Lan\\0001", "PortName"),
              text("COM6"));
    // Key names match without regard to case, as the system's do.
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, "ENUM\\ROOT\\VOR-LAN\\0000", "portname"),
              text("COM5"));
}

TEST(WindowsRegistry, NumbersAndRawBytesComeWithTheirTypes)
{
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, kTests, "Number"),
              (RegistryValue{4, {0xd2, 0x04, 0x00, 0x00}}));
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, kTests, "Raw"),
              (RegistryValue{3, {0x01, 0x02, 0xff, 0x00}}));
}

TEST(WindowsRegistry, MissingKeysAndValuesAndDataOverTheBufferGiveNothing)
{
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, kTests, "Missing"), std::nullopt);
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, kTests + "\\Missing", "Number"), std::nullopt);
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, "Enum\\Root\\Vor-Lan\\0009", "PortName"),
              std::nullopt);
    // 2047 characters and their NUL fill the 2048 bytes; 3000 do not fit.
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, kTests, "Fits"), text(std::string(2047, 'f')));
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, kTests, "TooLong"), std::nullopt);
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, kTests, "TooLong", 4096),
              text(std::string(3000, 'x')));
}

} // namespace
