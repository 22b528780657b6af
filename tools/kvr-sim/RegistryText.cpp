#include "RegistryText.h"

namespace kvrsim {
namespace {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

std::string key(const std::string& path)
{
    return "\n[HKEY_LOCAL_MACHINE\\" + path + "]\n";
}

std::string value(const std::string& name, const std::string& data)
{
    return quoted(name) + "=" + quoted(data) + "\n";
}

} // namespace

std::string registryText(char layout, const std::string& name, int readers, int firstPort)
{
    std::string text = "Windows Registry Editor Version 5.00\n";
    for (int i = 0; i < readers; ++i) {
        const std::string description = name + " " + std::to_string(i);
        const std::string port = "COM" + std::to_string(firstPort + i);
        if (layout == 'C') {
            text += key("System\\CurrentControlSet\\Services\\VORLANCL\\Parameters\\Devices\\"
                        "KVRDevice" +
                        std::to_string(i)) +
                    value("FriendlyName", description) + value("PortName", port);
            continue;
        }
        const std::string family = layout == 'B' ? "Vorlan" : "Vor-Lan";
        std::string index = std::to_string(i);
        index.insert(0, index.size() < 4 ? 4 - index.size() : 0, '0');
        text += key("System\\CurrentControlSet\\Services\\Class\\" + family + "\\" + index) +
                value("DriverDesc", description);
        text += key("Enum\\Root\\" + family + "\\" + index) + value("PortName", port);
    }
    return text;
}

} // namespace kvrsim
