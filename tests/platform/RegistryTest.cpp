#include "platform/Registry.h"

#include "platform/RegFileText.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

using platform::findRegValue;
using platform::RegistryValue;

std::vector<unsigned char> bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

const std::string kExport = "Windows Registry Editor Version 5.00\r\n"
                            "\r\n"
                            "[HKEY_LOCAL_MACHINE\\System\\Test]\r\n"
                            "\"Text\"=\"COM5\"\r\n"
                            "\"Number\"=dword:00000007\r\n"
                            "\"Bytes\"=hex:00,ff\r\n"
                            "\"Multi\"=hex(7):41,00,00,00,00,00\r\n"
                            "@=\"default\"\r\n"
                            "\"Quote\"=\"say \\\"hi\\\" C:\\\\x\"\r\n"
                            "\"Long\"=hex:01,02,\\\r\n"
                            "  03\r\n"
                            "\r\n"
                            "[HKEY_LOCAL_MACHINE\\System\\Other]\r\n"
                            "\"Elsewhere\"=\"x\"\r\n";

TEST(RegFile, ValuesOfEveryTypeAreFoundWithoutRegardToCase)
{
    const std::string key = "hkey_local_machine\\SYSTEM\\test";
    EXPECT_EQ(findRegValue(kExport, key, "text"), (RegistryValue{1, bytes({"COM5\0", 5})}));
    EXPECT_EQ(findRegValue(kExport, key, "Number"), (RegistryValue{4, {7, 0, 0, 0}}));
    EXPECT_EQ(findRegValue(kExport, key, "Bytes"), (RegistryValue{3, {0, 0xff}}));
    EXPECT_EQ(findRegValue(kExport, key, "Multi"), (RegistryValue{7, bytes({"A\0\0", 3})}));
    EXPECT_EQ(findRegValue(kExport, key, ""), (RegistryValue{1, bytes({"default\0", 8})}));
    EXPECT_EQ(findRegValue(kExport, key, "Quote"),
              (RegistryValue{1, bytes({"say \"hi\" C:\\x\0", 14})}));
    EXPECT_EQ(findRegValue(kExport, key, "Long"), (RegistryValue{3, {1, 2, 3}}));
    EXPECT_FALSE(findRegValue(kExport, key, "Elsewhere"));
    EXPECT_FALSE(findRegValue(kExport, key + "\\Deeper", "Text"));
}

TEST(RegFile, ExportsInUtf16AreRead)
{
    std::string utf16 = "\xFF\xFE";
    for (const char c : kExport) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(findRegValue(utf16, "HKEY_LOCAL_MACHINE\\System\\Test", "Number"),
              (RegistryValue{4, {7, 0, 0, 0}}));
}

TEST(RegFile, DamagedTextIsPassedOverAndTheRestStillRead)
{
    const std::string damaged = std::string("\x00\x01\xfe garbage\n", 12) +
                                "[HKEY_LOCAL_MACHINE\\Broken\n"
                                "\"a\"=dword:zz\n"
                                "\"b\"=hex:1,2,zzz\n"
                                "\"c\"=\"never closed\n"
                                "\"d\"=-\n"
                                "\"e\"=hex:\xe9,\xff\n"
                                "\"f\"=dword:\xe9\n" +
                                std::string(1 << 20, 'x') + "\n" +
                                "[HKEY_LOCAL_MACHINE\\Good]\n"
                                "\"Gone\"=\"x\"\n"
                                "\"Gone\"=-\n"
                                "\"Kept\"=\"yes\"\n";
    for (const char* name : {"a", "b", "c", "d", "e", "f"}) {
        EXPECT_FALSE(findRegValue(damaged, "HKEY_LOCAL_MACHINE\\Broken", name)) << name;
    }
    EXPECT_FALSE(findRegValue(damaged, "HKEY_LOCAL_MACHINE\\Good", "Gone"));
    EXPECT_EQ(findRegValue(damaged, "HKEY_LOCAL_MACHINE\\Good", "Kept"),
              (RegistryValue{1, bytes({"yes\0", 4})}));
}

// The store is the driver's registry.reg in the KVR folder under XDG_RUNTIME_DIR.
class RegistryStore : public testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        saved = old ? old : "";
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    }

    void TearDown() override
    {
        if (saved.empty()) {
            unsetenv("XDG_RUNTIME_DIR");
        } else {
            setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
        }
    }

    void store(const std::string& text) const
    {
        std::filesystem::create_directories(runtime.path() / "kvr");
        std::ofstream(runtime.path() / "kvr" / "registry.reg", std::ios::binary) << text;
    }

    static std::string hexOf(std::size_t count)
    {
        std::string hex;
        for (std::size_t i = 0; i < count; ++i) {
            hex += i ? ",00" : "00";
        }
        return hex;
    }

    TempFolder runtime;
    std::string saved;
};

TEST_F(RegistryStore, ValuesComeFromTheDriverFileUpToTheBufferSize)
{
    using platform::kHkeyLocalMachine;
    using platform::queryRegistryValue;
    EXPECT_FALSE(queryRegistryValue(kHkeyLocalMachine, "System\\Test", "Text"));

    store(kExport + "[HKEY_LOCAL_MACHINE\\Sizes]\n\"Fits\"=hex:" + hexOf(2048) +
          "\n\"TooLong\"=hex:" + hexOf(2049) + "\n\"LongText\"=\"" + std::string(2048, 'x') +
          "\"\n\"Text2047\"=\"" + std::string(2047, 'x') + "\"\n");
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, "System\\Test", "Text"),
              (RegistryValue{1, bytes({"COM5\0", 5})}));
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, "Sizes", "Fits")->data.size(), 2048u);
    EXPECT_FALSE(queryRegistryValue(kHkeyLocalMachine, "Sizes", "TooLong"));
    EXPECT_EQ(queryRegistryValue(kHkeyLocalMachine, "Sizes", "Text2047")->data.size(), 2048u);
    EXPECT_FALSE(queryRegistryValue(kHkeyLocalMachine, "Sizes", "LongText"));
    // Only HKEY_LOCAL_MACHINE is kept.
    EXPECT_FALSE(queryRegistryValue(0x80000001, "System\\Test", "Text"));
}

} // namespace
