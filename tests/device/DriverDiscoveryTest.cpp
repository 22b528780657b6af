#include "device/DriverDiscovery.h"

#include "support/DriverRecords.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/SimulatedDriver.h"
#include "support/TempProgram.h"
#include "ui/ColourButton.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// Numbers in decimal with at least three digits, bytes in hexadecimal, text to its end.
TEST(RegistryText, ByTypeCode)
{
    EXPECT_EQ(registryText({4, {7, 0, 0, 0}}), "007");
    EXPECT_EQ(registryText({4, {0xff, 0xff, 0xff, 0xff}}), "4294967295");
    EXPECT_EQ(registryText({3, {0x05, 0xa0}}), "05A0");
    EXPECT_EQ(registryText({1, {'C', 'O', 'M', '5', 0}}), "COM5");
    EXPECT_EQ(registryText({1, {}}), "");
}

// The port list a start builds from the driver's records: the first layout
// that has a reader 0, readers up to the first gap and at most 32, "Not
// Found" for a missing port, sorted without regard to case, the first
// selected. Records are given as "A0 Zeta COM5" (layout and reader, its
// description and port, "-" for none), or kvr-sim runs with its options.
// Without readers the user is told where the drivers come from, and the port
// buttons are off.
TEST(Discovery, ThePortListFromTheDriversRecords)
{
    QString forty;
    QStringList first32;
    for (int n = 0; n < 40; ++n) {
        const QString reader = QStringLiteral("R%1").arg(n, 2, 10, QChar('0'));
        forty += QStringLiteral("A%1 %2 COM%3;").arg(n).arg(reader).arg(n + 5);
        first32 << reader + QStringLiteral(" (COM%1)").arg(n + 5);
    }
    const struct {
        QString records;
        QString simulator;
        QStringList listed;
    } cases[] = {
        {"C0 C COM9;A0 A COM5", "", {"A (COM5)"}},
        {"C0 R0 COM5;C1 R1 COM6;C3 R3 COM8", "", {"R0 (COM5)", "R1 (COM6)"}},
        {forty, "", first32.mid(0, 32)},
        {"A0 Zeta COM5;A1 alpha COM6;A2 Beta -",
         "",
         {"alpha (COM6)", "Beta (Not Found)", "Zeta (COM5)"}},
        {"", "--readers 2 --first-port 7", {"KVR Reader 0 (COM7)", "KVR Reader 1 (COM8)"}},
        {"", "--layout B --readers 2", {"KVR Reader 0 (COM5)", "KVR Reader 1 (COM6)"}},
        {"", "--layout C", {"KVR Reader 0 (COM5)"}},
        {"", "", {}},
    };
    for (const auto& [records, simulator, expected] : cases) {
        SCOPED_TRACE((records.left(40) + simulator).toStdString());
        DriverRecords written;
        for (const QString& record : records.split(';', Qt::SkipEmptyParts)) {
            const QStringList parts = record.split(' ');
            written.add(DriverRecords::Layout(parts[0][0].unicode() - 'A'), parts[0].mid(1).toInt(),
                        parts[1], parts[2] == "-" ? "" : parts[2]);
        }
        if (!records.isEmpty()) {
            written.write();
        }
        std::optional<SimulatedDriver> driver;
        if (!simulator.isEmpty()) {
            ASSERT_TRUE(driver.emplace(simulator.split(' ')).ready());
        }
        TempProgram program;
        RecordingDesktop desktop;
        frmMain window(desktop, program.file());
        window.txtCommandList->setText("the preview\r\n");
        window.DiscoverDrivers();
        QStringList listed;
        for (int i = 0; i < window.Combo2->count(); ++i) {
            listed << window.Combo2->itemText(i);
        }
        EXPECT_EQ(listed, expected);
        EXPECT_EQ(window.Combo2->currentText(), expected.value(0));
        QStringList messages;
        for (const auto& [text, style, title] : desktop.messages) {
            messages
                << QStringLiteral("%1 %2: %3").arg(style).arg(title, text.section("\r\n", 0, 0));
        }
        if (!expected.isEmpty()) {
            EXPECT_EQ(messages, QStringList());
            continue;
        }
        EXPECT_EQ(
            messages,
            (QStringList{"0 Orvelle: No KVR Drivers Found!  Please install at least one driver.",
                         "16 No KVR Drivers Loaded!: This program requires the Vorlan KVR "
                         "Drivers to run."}));
        EXPECT_TRUE(
            desktop.messages[1].text.contains("\r\nor go to https://drivers.example.com/kvr\r\n"));
        EXPECT_EQ(window.txtCommandList->text(),
                  "URL for the KVR Drivers:\r\nhttps://drivers.example.com/kvr\r\n" +
                      QString(53, u'=') + "\r\n\r\nthe preview\r\n");
        EXPECT_FALSE(window.btnSend->isEnabled() || window.btnOpen->isEnabled());
    }
}

} // namespace
