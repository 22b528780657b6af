#pragma once

#include "support/Pty.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// A driver device of that name in the KVR folder, played by the test on a pseudo-terminal.
struct DriverDeviceLink {
    explicit DriverDeviceLink(const QString& name)
        : link(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr/devices/" + name)
    {
        QDir().mkpath(QFileInfo(link).absolutePath());
        EXPECT_TRUE(QFile::link(pty.slavePath(), link));
    }
    ~DriverDeviceLink() { QFile::remove(link); }

    const QString link;
    Pty pty;
};
