#include "workbook/XlsReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

// The reader on damaged files: every kind of damage ends in a reason, never
// in a crash, a hang or a read outside the file (the sanitizer build checks).
namespace {

std::string fileBytes(const std::string& name)
{
    std::ifstream in(std::string(ORVELLE_MADE_FIXTURES "/") + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i));
    }
}

std::uint32_t get32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

std::string reasonFor(const std::string& bytes)
{
    const auto read = workbook::readFirstSheet(bytes, 1000);
    const auto* failure = std::get_if<workbook::Failure>(&read);
    return failure ? failure->reason : "read";
}

TEST(XlsReader, DamagedContainersAreRefusedWithAReason)
{
    const std::string sound = fileBytes("text-codes.xls");
    ASSERT_EQ(reasonFor(sound), "read");
    const std::uint32_t directory = get32(sound, 0x30);
    const std::uint32_t firstFatSector = get32(sound, 0x4C);
    const auto fatEntry = [&](std::uint32_t sector) {
        return 512 * (firstFatSector + 1) + 4 * sector;
    };

    struct Case {
        const char* damage;
        std::function<void(std::string&)> apply;
        const char* reason;
    };
    const Case cases[] = {
        {"directory chain loops", [&](std::string& b) { put32(b, fatEntry(directory), directory); },
         "the workbook is damaged (its directory is broken)"},
        {"directory beyond the file", [](std::string& b) { put32(b, 0x30, 0x00FFFFF0); },
         "the workbook is damaged (its directory is broken)"},
        {"a table of sectors claimed in the billions",
         [](std::string& b) { put32(b, 0x2C, 0xFFFFFFF0); },
         "the workbook is damaged (its table of sectors lies outside the file)"},
        {"sector size not of the format", [](std::string& b) { b[0x1E] = 10; },
         "the workbook is damaged (its sector size is not one of the format's)"},
        {"root's short stream claims 4 GiB",
         [&](std::string& b) { put32(b, 512 * (directory + 1) + 0x78, 0xFFFFFFF0); },
         "the workbook is damaged (its stream of short sectors is broken)"},
        {"header only", [](std::string& b) { b.resize(512); },
         "the workbook is damaged (it holds no sectors)"},
    };
    for (const Case& c : cases) {
        std::string bytes = sound;
        c.apply(bytes);
        EXPECT_EQ(reasonFor(bytes), c.reason) << c.damage;
    }
}

// Every way of cutting a file short, and random bytes changed in hundreds of
// copies, end in a read or a reason.
TEST(XlsReader, CutShortOrScrambledFilesEndInAReadOrAReason)
{
    for (const char* name : {"text-codes.xls", "reader-cases.xls"}) {
        const std::string sound = fileBytes(name);
        ASSERT_FALSE(sound.empty()) << name;
        for (std::size_t size = 0; size < sound.size(); size += 97) {
            EXPECT_FALSE(reasonFor(sound.substr(0, size)).empty());
        }
        std::mt19937 random(20261207);
        for (int copy = 0; copy < 500; ++copy) {
            std::string bytes = sound;
            for (int change = 0; change < 8; ++change) {
                bytes[random() % bytes.size()] = static_cast<char>(random());
            }
            EXPECT_FALSE(reasonFor(bytes).empty());
        }
    }
}

} // namespace
