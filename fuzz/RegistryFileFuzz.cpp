// Arbitrary registry.reg files of the KVR folder through the reading of the
// drivers' records: one value at a time as ReadRegistry reads it, and the
// port list that the discovery builds from them. Also the way in: values of
// every type written in the registry editor's export format read back as written.

#include "device/DriverDiscovery.h"
#include "fuzz/Check.h"
#include "platform/RegFileText.h"
#include "platform/Registry.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <map>

namespace {

using platform::RegistryValue;

constexpr std::size_t kRegistryBuffer = 2048;
const std::string kRoot = "HKEY_LOCAL_MACHINE\\";

// Keys and values the discovery reads, beside any others.
const char* const kKeys[] = {
    "System\\CurrentControlSet\\Services\\Class\\Vor-Lan\\0000",
    "Enum\\Root\\Vor-Lan\\0001",
    "System\\CurrentControlSet\\Services\\Class\\Vorlan\\0000",
    "System\\CurrentControlSet\\Services\\VORLANCL\\Parameters\\Devices\\KVRDevice0",
};
const char* const kNames[] = {"DriverDesc", "PortName", "FriendlyName", ""};

// The driver's folder in a runtime folder of this run's own.
std::string registryPath()
{
    static const std::string path = [] {
        std::string runtime = std::filesystem::temp_directory_path() / "orvelle-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(runtime.data()));
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        std::filesystem::create_directory(runtime + "/kvr");
        return runtime + "/kvr/registry.reg";
    }();
    return path;
}

void checkText(const RegistryValue& value)
{
    const QString text = registryText(value);
    if (value.type == 3) {
        FUZZ_CHECK(text.size() == qsizetype(2 * value.data.size()));
        FUZZ_CHECK(std::all_of(text.begin(), text.end(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
        }));
    } else if (value.type == 4) {
        quint32 number = 0;
        for (std::size_t i = 0; i < std::min<std::size_t>(value.data.size(), 4); ++i) {
            number |= quint32(value.data[i]) << (8 * i);
        }
        FUZZ_CHECK(text.size() >= 3 && text.toULongLong() == number);
    }
}

// As ReadRegistry reads one value: the file opened afresh, at most 2048 bytes of data.
void checkQuery(const std::string& file, const std::string& key, const std::string& name)
{
    const std::optional<RegistryValue> found = platform::findRegValue(file, kRoot + key, name);
    const std::optional<RegistryValue> queried =
        platform::queryRegistryValue(platform::kHkeyLocalMachine, key, name, kRegistryBuffer);
    FUZZ_CHECK(queried == (found && found->data.size() <= kRegistryBuffer ? found : std::nullopt));
    if (queried) {
        checkText(*queried);
    }
    // The window passes names as text; names that are not UTF-8 do not survive that.
    const QString keyText = QString::fromUtf8(key.data(), qsizetype(key.size()));
    const QString nameText = QString::fromUtf8(name.data(), qsizetype(name.size()));
    if (keyText.toLocal8Bit().toStdString() == key &&
        nameText.toLocal8Bit().toStdString() == name) {
        FUZZ_CHECK(readRegistryText(platform::kHkeyLocalMachine, keyText, nameText) ==
                   (queried ? registryText(*queried) : kNotFound));
    }
}

// The same records in UTF-16, as the registry editor writes them, read the same.
void checkUtf16(const std::string& file, const std::string& key, const std::string& name)
{
    const QString text = QString::fromUtf8(file.data(), qsizetype(file.size()));
    if (text.toUtf8().toStdString() != file || text.startsWith(QChar(0xFEFF))) {
        return;
    }
    std::string utf16 = "\xFF\xFE";
    for (const QChar c : text) {
        utf16 += char(c.unicode() & 0xFF);
        utf16 += char(c.unicode() >> 8);
    }
    FUZZ_CHECK(platform::findRegValue(utf16, kRoot + key, name) ==
               platform::findRegValue(file, kRoot + key, name));
}

void checkPortLines()
{
    const QStringList lines = driverPortLines([](const QString& section, const QString& key) {
        return readRegistryText(platform::kHkeyLocalMachine, section, key);
    });
    FUZZ_CHECK(lines.size() <= 32);
    for (const QString& line : lines) {
        FUZZ_CHECK(line.endsWith(u')') && line.contains(QStringLiteral(" (")));
    }
}

std::string hexBytes(const std::vector<unsigned char>& data)
{
    std::string out;
    char pair[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(pair, sizeof pair, "%02x", data[i]);
        out += pair;
        if (i + 1 < data.size()) {
            // Long data goes on in the next line, as the registry editor wraps it.
            out += i % 20 == 19 ? ",\\\r\n  " : ",";
        }
    }
    return out;
}

std::string quotedText(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        out += c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
    }
    return out + "\"";
}

// A value written as the registry editor exports it, and what reading it gives.
std::pair<std::string, RegistryValue> exported(FuzzedDataProvider& in)
{
    const auto data = in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange(0, 80));
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: {
        std::string text(data.begin(), data.end());
        std::erase_if(text, [](char c) { return c == '\n' || c == '\0'; });
        std::vector<unsigned char> stored(text.begin(), text.end());
        stored.push_back(0);
        return {quotedText(text), {1, stored}};
    }
    case 1: {
        const auto number = in.ConsumeIntegral<std::uint32_t>();
        char text[20];
        std::snprintf(text, sizeof text, "dword:%08x", number);
        return {
            text,
            {4,
             {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
              static_cast<unsigned char>(number >> 16), static_cast<unsigned char>(number >> 24)}}};
    }
    case 2:
        return {"hex:" + hexBytes(data), {3, data}};
    default: {
        // Text types given as bytes are turned from UTF-16 into text; others stay bytes.
        std::uint32_t type = in.ConsumeIntegral<std::uint32_t>();
        type = type == 1 || type == 2 || type == 7 ? 3 : type;
        char head[20];
        std::snprintf(head, sizeof head, "hex(%x):", type);
        return {head + hexBytes(data), {type, data}};
    }
    }
}

void checkExportedValues(FuzzedDataProvider& in)
{
    std::string key = in.ConsumeRandomLengthString(40);
    std::erase_if(key, [](char c) { return c == '\n' || c == '\r'; });
    std::string file = "Windows Registry Editor Version 5.00\r\n\r\n[" + kRoot + key + "]\r\n";
    std::map<std::string, RegistryValue> values;
    const auto count = in.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < count; ++i) {
        // Distinct names that no case folding makes equal.
        const std::string name = "v" + std::to_string(i);
        auto [text, value] = exported(in);
        file += quotedText(name) + "=" + text + "\r\n";
        values[name] = value;
    }
    for (const auto& [name, value] : values) {
        FUZZ_CHECK(platform::findRegValue(file, kRoot + key, name) == value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string path = registryPath();
    const auto pick = [&in](const auto& known) -> std::string {
        return in.ConsumeBool()
                   ? known[in.ConsumeIntegralInRange<std::size_t>(0, std::size(known) - 1)]
                   : in.ConsumeRandomLengthString(40);
    };
    const std::string key = pick(kKeys);
    const std::string name = pick(kNames);
    const bool exportedValues = in.ConsumeBool();
    const std::string file = in.ConsumeRandomLengthString();

    std::ofstream(path, std::ios::binary | std::ios::trunc) << file;
    checkQuery(file, key, name);
    checkUtf16(file, key, name);
    checkPortLines();
    if (exportedValues) {
        checkExportedValues(in);
    }
    return 0;
}
