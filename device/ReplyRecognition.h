#pragma once

#include <QString>

#include <optional>
#include <variant>

// What one reply read from the port means to the receive handler. Keywords
// are matched in exact case, "/rawxact" before "/ver" before "dev_version";
// the last two count only while the open dialogue waits for a reply.
namespace reply {

// The reading was empty.
struct NoData {
    friend bool operator==(const NoData&, const NoData&) = default;
};

struct Ignored {
    friend bool operator==(const Ignored&, const Ignored&) = default;
};

// The answer to a "/rawxact" command: the text after the keyword and the one
// separator character that follows it, blanks skipped, without control characters.
struct RawAnswer {
    QString text;

    friend bool operator==(const RawAnswer&, const RawAnswer&) = default;
};

// The driver's version: the text after "/ver", blanks skipped, without control characters.
struct DriverVersion {
    QString text;

    friend bool operator==(const DriverVersion&, const DriverVersion&) = default;
};

// The reader's version runs from character 25 to the last but one; a reply of
// 24 characters or fewer holds none.
struct DeviceVersion {
    std::optional<QString> text;

    friend bool operator==(const DeviceVersion&, const DeviceVersion&) = default;
};

using Meaning = std::variant<NoData, Ignored, RawAnswer, DriverVersion, DeviceVersion>;

Meaning recognise(const QString& reply, bool detecting);

} // namespace reply
