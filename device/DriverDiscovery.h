#pragma once

#include "platform/Registry.h"

#include <QString>
#include <QStringList>

#include <functional>

// The registry marker for a value that is missing or cannot be read.
inline const QString kNotFound = QStringLiteral("Not Found");

// A registry value as text: raw bytes as upper-case hexadecimal pairs, a
// 32-bit number in unsigned decimal with at least three digits, any other
// type as its data without the last byte (text without its terminating NUL).
QString registryText(const platform::RegistryValue& value);

// Value `key` of registry key `section` under the root key `group` as text,
// or kNotFound.
QString readRegistryText(quint32 group, const QString& section, const QString& key);

// Reads value `key` of registry key `section` (under HKEY_LOCAL_MACHINE) as text,
// or gives kNotFound.
using RegistryReader = std::function<QString(const QString& section, const QString& key)>;

// The port selector lines of the readers that the drivers recorded:
// "description (port name)" for readers 0 to 31 of the first of the three
// registry layouts whose reader 0 is recorded, up to the first missing
// reader. Empty when no layout has a reader 0.
QStringList driverPortLines(const RegistryReader& read);
