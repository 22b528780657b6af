#pragma once

#include <QByteArray>

#include <random>

// The same `count` bytes of every value on every run.
inline QByteArray randomBytes(qsizetype count)
{
    std::mt19937 random(20261207);
    QByteArray bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}
