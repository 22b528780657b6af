#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <unistd.h>

// The program's file in a fresh temporary folder, so that each test has a settings file of its own.
class TempProgram {
public:
    QString folder() const { return dir_.path(); }
    QString file() const { return dir_.filePath(QStringLiteral("Orvelle")); }
    QString settingsFile() const { return dir_.filePath(QStringLiteral("Orvelle.INI")); }

private:
    QTemporaryDir dir_;
};

// A file's bytes; none when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Permission bits do not stop root: as root, the current test runs again in a fresh process
// that stays root (so a checkout in a private folder stays reachable) without the powers to
// pass them, also for the helpers it starts. Returns whether it did; the caller then returns.
inline bool ranAgainWherePermissionsCount()
{
    if (geteuid() != 0 || prctl(PR_CAPBSET_READ, CAP_DAC_OVERRIDE) != 1) {
        return false;
    }
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const QString filter =
        QStringLiteral("--gtest_filter=%1.%2")
            .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name()));
    EXPECT_EQ(QProcess::execute("setpriv",
                                {"--inh-caps=-all", "--bounding-set=-dac_override,-dac_read_search",
                                 QCoreApplication::applicationFilePath(), filter}),
              0)
        << "the run without root's powers over permissions failed (its output is above)";
    return true;
}
