#include "device/DriverDiscovery.h"

#include <array>

namespace {

struct RegistryLayout {
    QString descriptionKey;
    QString descriptionValue;
    QString portKey;
    QString portValue;
    bool fourDigitIndex;
};

const std::array<RegistryLayout, 3> kLayouts{{
    {QStringLiteral("System\\CurrentControlSet\\Services\\Class\\Vor-Lan\\"),
     QStringLiteral("DriverDesc"), QStringLiteral("Enum\\Root\\Vor-Lan\\"),
     QStringLiteral("PortName"), true},
    {QStringLiteral("System\\CurrentControlSet\\Services\\Class\\Vorlan\\"),
     QStringLiteral("DriverDesc"), QStringLiteral("Enum\\Root\\Vorlan\\"),
     QStringLiteral("PortName"), true},
    {QStringLiteral(
         "System\\CurrentControlSet\\Services\\VORLANCL\\Parameters\\Devices\\KVRDevice"),
     QStringLiteral("FriendlyName"),
     QStringLiteral(
         "System\\CurrentControlSet\\Services\\VORLANCL\\Parameters\\Devices\\KVRDevice"),
     QStringLiteral("PortName"), false},
}};

constexpr int kMostReaders = 32;

// Four digits with leading zeros ("0007") or plain decimal ("7").
QString indexText(int reader, bool fourDigits)
{
    const QString digits = QString::number(reader);
    return fourDigits ? (QStringLiteral("0000") + digits).right(4) : digits;
}

} // namespace

QString registryText(const platform::RegistryValue& value)
{
    const auto& data = value.data;
    if (value.type == 3) {
        QString hex;
        for (const unsigned char byte : data) {
            hex += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
        }
        return hex;
    }
    if (value.type == 4) {
        quint32 number = 0;
        for (std::size_t i = 0; i < std::min<std::size_t>(data.size(), 4); ++i) {
            number |= quint32(data[i]) << (8 * i);
        }
        return QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
    }
    // A text value stored with no data at all reads as empty.
    if (data.empty()) {
        return {};
    }
    return QString::fromLocal8Bit(reinterpret_cast<const char*>(data.data()),
                                  qsizetype(data.size()) - 1);
}

QString readRegistryText(quint32 group, const QString& section, const QString& key)
{
    const std::optional<platform::RegistryValue> value = platform::queryRegistryValue(
        group, section.toLocal8Bit().toStdString(), key.toLocal8Bit().toStdString());
    return value ? registryText(*value) : kNotFound;
}

QStringList driverPortLines(const RegistryReader& read)
{
    for (const RegistryLayout& layout : kLayouts) {
        const auto description = [&](int reader) {
            return read(layout.descriptionKey + indexText(reader, layout.fourDigitIndex),
                        layout.descriptionValue);
        };
        if (description(0) == kNotFound) {
            continue;
        }
        QStringList lines;
        for (int reader = 0; reader < kMostReaders; ++reader) {
            const QString text = description(reader);
            if (text == kNotFound) {
                break;
            }
            const QString port =
                read(layout.portKey + indexText(reader, layout.fourDigitIndex), layout.portValue);
            lines << text + QStringLiteral(" (") + port + QStringLiteral(")");
        }
        return lines;
    }
    return {};
}
