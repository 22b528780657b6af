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

namespace {

using Layout = DriverRecords::Layout;

TEST(RegistryText, ConvertsByTypeCode)
{
    EXPECT_EQ(registryText({4, {7, 0, 0, 0}}), "007");
    EXPECT_EQ(registryText({4, {0xd2, 0x04, 0, 0}}), "1234");
    EXPECT_EQ(registryText({4, {0xff, 0xff, 0xff, 0xff}}), "4294967295");
    EXPECT_EQ(registryText({3, {0x00, 0xff}}), "00FF");
    EXPECT_EQ(registryText({3, {0x05, 0xa0}}), "05A0");
    EXPECT_EQ(registryText({1, {'C', 'O', 'M', '5', 0}}), "COM5");
    EXPECT_EQ(registryText({1, {}}), "");
}

class Discovery : public testing::Test {
protected:
    QStringList portList() const
    {
        QStringList entries;
        for (int i = 0; i < window.Combo2->count(); ++i) {
            entries << window.Combo2->itemText(i);
        }
        return entries;
    }

    DriverRecords records;
    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};

TEST_F(Discovery, TheFirstLayoutWithAReaderZeroIsListed)
{
    records.add(Layout::C, 0, "Reader C", "COM9").add(Layout::A, 0, "Reader A", "COM5").write();
    window.DiscoverDrivers();
    EXPECT_EQ(portList(), QStringList{"Reader A (COM5)"});
    EXPECT_EQ(window.Combo2->currentIndex(), 0);
    EXPECT_EQ(window.Combo2->currentText(), "Reader A (COM5)");
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(window.ReadRegistry(0x80000002, "Enum\\Root\\Vor-Lan\\0000", "PortName"), "COM5");
    EXPECT_EQ(window.ReadRegistry(0x80000002, "Enum\\Root\\Vor-Lan\\0001", "PortName"),
              "Not Found");
}

TEST_F(Discovery, LayoutBUsesFourDigitIndexes)
{
    records.add(Layout::B, 0, "Bench 0", "COM5").add(Layout::B, 1, "Bench 1", "COM6").write();
    window.DiscoverDrivers();
    EXPECT_EQ(portList(), (QStringList{"Bench 0 (COM5)", "Bench 1 (COM6)"}));
}

TEST_F(Discovery, AGapInTheNumberingEndsTheList)
{
    records.add(Layout::C, 0, "R0", "COM5")
        .add(Layout::C, 1, "R1", "COM6")
        .add(Layout::C, 3, "R3", "COM8");
    records.write();
    window.DiscoverDrivers();
    EXPECT_EQ(portList(), (QStringList{"R0 (COM5)", "R1 (COM6)"}));
}

TEST_F(Discovery, AtMost32ReadersAreListed)
{
    for (int reader = 0; reader < 40; ++reader) {
        records.add(Layout::A, reader, QStringLiteral("R%1").arg(reader, 2, 10, QLatin1Char('0')),
                    QStringLiteral("COM%1").arg(reader + 5));
    }
    records.write();
    window.DiscoverDrivers();
    ASSERT_EQ(window.Combo2->count(), 32);
    EXPECT_EQ(portList().back(), "R31 (COM36)");
}

TEST_F(Discovery, AReaderWithoutPortNameIsListedAsNotFound)
{
    records.add(Layout::A, 0, "Reader", "COM5").add(Layout::A, 1, "Lost", "").write();
    window.DiscoverDrivers();
    EXPECT_EQ(portList(), (QStringList{"Lost (Not Found)", "Reader (COM5)"}));
}

TEST_F(Discovery, TheListIsSortedAndItsFirstEntrySelected)
{
    records.add(Layout::A, 0, "Zeta", "COM5")
        .add(Layout::A, 1, "alpha", "COM6")
        .add(Layout::A, 2, "Beta", "COM7");
    records.write();
    window.DiscoverDrivers();
    EXPECT_EQ(portList(), (QStringList{"alpha (COM6)", "Beta (COM7)", "Zeta (COM5)"}));
    EXPECT_EQ(window.Combo2->currentText(), "alpha (COM6)");
}

TEST_F(Discovery, WithoutADriverTheUserIsToldAndThePortButtonsAreOff)
{
    window.txtCommandList->setText("the preview\r\n");
    window.DiscoverDrivers();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].text,
              "No KVR Drivers Found!  Please install at least one driver.");
    EXPECT_EQ(desktop.messages[0].style, 0);
    EXPECT_EQ(desktop.messages[0].title, "Orvelle");
    EXPECT_EQ(desktop.messages[1].style, 16);
    EXPECT_EQ(desktop.messages[1].title, "No KVR Drivers Loaded!");
    const QStringList lines = desktop.messages[1].text.split("\r\n");
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], "This program requires the Vorlan KVR Drivers to run.");
    EXPECT_TRUE(lines[1].startsWith("Please call "));
    EXPECT_TRUE(lines[2].startsWith("or go to https://"));
    EXPECT_EQ(lines[3], "(this URL has been placed in the window so you can copy it)");
    EXPECT_TRUE(lines[4].startsWith("or e-mail ") && lines[4].endsWith("."));
    EXPECT_EQ(lines[5], "Ask about the Vorlan Device Drivers (KVR).");
    EXPECT_EQ(lines[6], "");

    const QString address = lines[2].mid(QStringLiteral("or go to ").size());
    EXPECT_EQ(window.txtCommandList->text(), "URL for the KVR Drivers:\r\n" + address + "\r\n" +
                                                 QString(53, u'=') + "\r\n\r\nthe preview\r\n");
    EXPECT_FALSE(window.btnSend->isEnabled());
    EXPECT_FALSE(window.btnOpen->isEnabled());
    EXPECT_EQ(window.Combo2->count(), 0);
}

TEST_F(Discovery, DamagedRecordsCountAsNoDriver)
{
    records.writeRaw(
        QByteArray("\x00\xff[HKEY_LOCAL_MACHINE\\System\n\"DriverDesc\"=dword:zz\n", 52) +
        QByteArray(100000, '['));
    window.DiscoverDrivers();
    EXPECT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(window.Combo2->count(), 0);
}

TEST_F(Discovery, FindsTheReadersOfTheSimulatedDriverInEachLayout)
{
    for (const QString layout : {"A", "B", "C"}) {
        SimulatedDriver driver({"--layout", layout, "--readers", "2", "--first-port", "7"});
        ASSERT_TRUE(driver.ready());
        frmMain fresh(desktop, program.file());
        fresh.DiscoverDrivers();
        QStringList entries;
        for (int i = 0; i < fresh.Combo2->count(); ++i) {
            entries << fresh.Combo2->itemText(i);
        }
        EXPECT_EQ(entries, (QStringList{"KVR Reader 0 (COM7)", "KVR Reader 1 (COM8)"}))
            << layout.toStdString();
    }
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
