#include "platform/Registry.h"

#include "support/DriverRecords.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;
using platform::RegistryValue;

RegistryValue text(const std::string& value)
{
    return {1, {value.begin(), value.end() + 1}};
}

std::string zeroBytes(int count)
{
    std::string hex = "00";
    while (--count > 0) {
        hex += ",00";
    }
    return hex;
}

const std::string kExport =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\Test]\r\n\"Text\"=\"COM5\"\r\n"
    "\"Number\"=dword:00000007\r\n\"Bytes\"=hex:00,ff\r\n"
    "\"Multi\"=hex(7):41,00,00,00,00,00\r\n@=\"default\"\r\n"
    "\"Quote\"=\"say \\\"hi\\\" C:\\\\x\"\r\n\"Long\"=hex:01,02,\\\r\n  03\r\n"
    "\r\n[HKEY_LOCAL_MACHINE\\System\\Other]\r\n\"Elsewhere\"=\"x\"\r\n";

// The registry is the driver's registry.reg in the KVR folder, read afresh
// each time: values up to the buffer's 2048 bytes, lines that mean nothing
// passed over.
TEST(Registry, ValuesAreFoundByKeyAndNameInAnyCaseWhenTheyFitTheBuffer)
{
    const auto query = [](const std::string& key, const std::string& name) {
        return platform::queryRegistryValue(platform::kHkeyLocalMachine, key, name);
    };
    EXPECT_FALSE(query("System\\Test", "Text")) << "no file";
    const DriverRecords records;
    records.writeRaw(QByteArray::fromStdString(
        kExport + "[HKEY_LOCAL_MACHINE\\Sizes]\n\"Fits\"=hex:" + zeroBytes(2048) +
        "\n\"TooLong\"=hex:" + zeroBytes(2049) + "\n\0\x01\xfe garbage\n"s +
        "[HKEY_LOCAL_MACHINE\\Broken]\n\"a\"=dword:zz\n\"b\"=hex:1,2,zzz\n\"c\"=\"never closed\n"
        "\"d\"=-\n\"e\"=hex:\xe9,\xff\n\"f\"=dword:\xe9\n" +
        std::string(1 << 20, 'x') +
        "\n[HKEY_LOCAL_MACHINE\\Good]\n\"Gone\"=\"x\"\n\"Gone\"=-\n\"Kept\"=\"yes\"\n"
        "[HKEY_LOCAL_MACHINE\\Good\n\"Kept\"=\"no\"\n"));
    const struct {
        std::string key, name;
        std::optional<RegistryValue> value;
    } rows[] = {{"SYSTEM\\test", "text", text("COM5")},
                {"System\\Test", "Number", RegistryValue{4, {7, 0, 0, 0}}},
                {"System\\Test", "Bytes", RegistryValue{3, {0, 0xff}}},
                {"System\\Test", "Multi", RegistryValue{7, {'A', 0, 0}}},
                {"System\\Test", "", text("default")},
                {"System\\Test", "Quote", text("say \"hi\" C:\\x")},
                {"System\\Test", "Long", RegistryValue{3, {1, 2, 3}}},
                {"System\\Test", "Elsewhere", {}},
                {"System\\Test\\Deeper", "Text", {}},
                {"Sizes", "Fits", RegistryValue{3, std::vector<unsigned char>(2048)}},
                {"Sizes", "TooLong", {}},
                {"Good", "Gone", {}},
                {"Good", "Kept", text("yes")}};
    for (const auto& row : rows) {
        EXPECT_EQ(query(row.key, row.name), row.value) << row.key << " " << row.name;
    }
    for (const char* name : {"a", "b", "c", "d", "e", "f"}) {
        EXPECT_FALSE(query("Broken", name)) << name;
    }
    EXPECT_FALSE(platform::queryRegistryValue(0x80000001, "System\\Test", "Text")) << "HKLM only";
    std::string utf16 = "\xFF\xFE";
    for (const char c : kExport) {
        utf16 += {c, '\0'};
    }
    records.writeRaw(QByteArray::fromStdString(utf16));
    EXPECT_EQ(query("System\\Test", "Number"), (RegistryValue{4, {7, 0, 0, 0}}));
}

} // namespace
