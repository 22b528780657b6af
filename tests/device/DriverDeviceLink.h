#pragma once

#include "support/Pty.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// A driver device of that name in the KVR folder, played by the test on a pseudo-terminal.
class DriverDeviceLink {
public:
    explicit DriverDeviceLink(const QString& name)
        : link_(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr/devices/" + name)
    {
        QDir().mkpath(QFileInfo(link_).absolutePath());
        EXPECT_TRUE(QFile::link(pty.slavePath(), link_));
    }
    ~DriverDeviceLink() { QFile::remove(link_); }

    Pty pty;

private:
    QString link_;
};
