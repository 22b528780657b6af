#include "device/WireText.h"

#include <QList>

#include <algorithm>
#include <array>

namespace {

// The characters of bytes 0x80 to 0x9F. The five bytes the code page leaves
// unused stand for the control characters of the same number, as the
// system's conversion reads them.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char wireByte(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<char>(character);
    }
    const auto* found = std::find(kHighControls.begin(), kHighControls.end(), character);
    return found == kHighControls.end() ? '?'
                                        : static_cast<char>(0x80 + (found - kHighControls.begin()));
}

} // namespace

QByteArray toWire(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    // One "?" for each character, also for one written with two UTF-16 units.
    for (const uint character : text.toUcs4()) {
        bytes += wireByte(character);
    }
    return bytes;
}

QString fromWire(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += value >= 0x80 && value < 0xA0 ? QChar(kHighControls[value - 0x80]) : QChar(value);
    }
    return text;
}
