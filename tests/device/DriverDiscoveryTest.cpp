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

using Layout = DriverRecords::Layout;

// Numbers in decimal with at least three digits, bytes in hexadecimal, text to its end.
TEST(RegistryText, ByTypeCode)
{
    EXPECT_EQ(registryText({4, {7, 0, 0, 0}}), "007");
    EXPECT_EQ(registryText({4, {0xff, 0xff, 0xff, 0xff}}), "4294967295");
    EXPECT_EQ(registryText({3, {0x05, 0xa0}}), "05A0");
    EXPECT_EQ(registryText({1, {'C', 'O', 'M', '5', 0}}), "COM5");
    EXPECT_EQ(registryText({1, {}}), "");
}

QStringList listed(const frmMain& window)
{
    QStringList entries;
    for (int i = 0; i < window.Combo2->count(); ++i) {
        entries << window.Combo2->itemText(i);
    }
    return entries;
}

// The port list a start builds from the driver's records: the first layout
// that has a reader 0, readers up to the first gap and at most 32, "Not
// Found" for a missing port, sorted without regard to case, the first
// selected. Without readers the user is told where the drivers come from and
// the port buttons are off.
TEST(Discovery, ThePortListFromTheDriversRecords)
{
    struct Reader {
        Layout layout;
        int number;
        QString description;
        QString port;
    };
    QList<Reader> forty;
    QStringList first32;
    for (int n = 0; n < 40; ++n) {
        const QString name = QStringLiteral("R%1").arg(n, 2, 10, QChar('0'));
        forty << Reader{Layout::A, n, name, QStringLiteral("COM%1").arg(n + 5)};
        if (n < 32) {
            first32 << name + QStringLiteral(" (COM%1)").arg(n + 5);
        }
    }
    const struct {
        const char* what;
        QList<Reader> readers;
        QStringList simulator; // kvr-sim's options, for a driver that runs
        QStringList listed;
    } cases[] = {
        {"layout A before C",
         {{Layout::C, 0, "C", "COM9"}, {Layout::A, 0, "A", "COM5"}},
         {},
         {"A (COM5)"}},
        {"a gap",
         {{Layout::C, 0, "R0", "COM5"}, {Layout::C, 1, "R1", "COM6"}, {Layout::C, 3, "R3", "COM8"}},
         {},
         {"R0 (COM5)", "R1 (COM6)"}},
        {"40 readers", forty, {}, first32},
        {"sorted, a port missing",
         {{Layout::A, 0, "Zeta", "COM5"},
          {Layout::A, 1, "alpha", "COM6"},
          {Layout::A, 2, "Beta", ""}},
         {},
         {"alpha (COM6)", "Beta (Not Found)", "Zeta (COM5)"}},
        {"kvr-sim, layout A",
         {},
         {"--readers", "2", "--first-port", "7"},
         {"KVR Reader 0 (COM7)", "KVR Reader 1 (COM8)"}},
        {"kvr-sim, layout B",
         {},
         {"--layout", "B", "--readers", "2"},
         {"KVR Reader 0 (COM5)", "KVR Reader 1 (COM6)"}},
        {"kvr-sim, layout C", {}, {"--layout", "C"}, {"KVR Reader 0 (COM5)"}},
        {"no driver", {}, {}, {}},
    };
    for (const auto& [what, readers, simulator, expected] : cases) {
        SCOPED_TRACE(what);
        DriverRecords records;
        for (const Reader& reader : readers) {
            records.add(reader.layout, reader.number, reader.description, reader.port);
        }
        if (!readers.isEmpty()) {
            records.write();
        }
        std::optional<SimulatedDriver> driver;
        if (!simulator.isEmpty()) {
            ASSERT_TRUE(driver.emplace(simulator).ready());
        }
        TempProgram program;
        RecordingDesktop desktop;
        frmMain window(desktop, program.file());
        window.txtCommandList->setText("the preview\r\n");
        window.DiscoverDrivers();
        EXPECT_EQ(listed(window), expected);
        QStringList messages;
        for (const auto& [text, style, title] : desktop.messages) {
            messages << QStringLiteral("%1 %2: %3").arg(style).arg(title, text);
        }
        if (!expected.isEmpty()) {
            EXPECT_EQ(window.Combo2->currentText(), expected[0]);
            EXPECT_EQ(messages, QStringList());
            continue;
        }
        EXPECT_EQ(
            messages,
            (QStringList{"0 Orvelle: No KVR Drivers Found!  Please install at least one driver.",
                         "16 No KVR Drivers Loaded!: This program requires the Vorlan KVR "
                         "Drivers to run.\r\nPlease call +1 555 0142\r\nor go to "
                         "https://drivers.example.com/kvr\r\n(this URL has been placed in the "
                         "window so you can copy it)\r\nor e-mail kvr-support@example.com.\r\n"
                         "Ask about the Vorlan Device Drivers (KVR).\r\n"}));
        EXPECT_EQ(window.txtCommandList->text(),
                  "URL for the KVR Drivers:\r\nhttps://drivers.example.com/kvr\r\n" +
                      QString(53, u'=') + "\r\n\r\nthe preview\r\n");
        EXPECT_FALSE(window.btnSend->isEnabled());
        EXPECT_FALSE(window.btnOpen->isEnabled());
    }
}

} // namespace
