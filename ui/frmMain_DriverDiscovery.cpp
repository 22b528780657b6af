#include "device/DriverDiscovery.h"
#include "ui/ColourButton.h"
#include "ui/DesktopServices.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

namespace {

// Where the drivers come from. The numbers and addresses are the demo's own.
const QString kDriverAddress = QStringLiteral("https://drivers.example.com/kvr");
const QString kSupportTelephone = QStringLiteral("+1 555 0142");
const QString kSupportMail = QStringLiteral("kvr-support@example.com");

const QString kNewLine = QStringLiteral("\r\n");

} // namespace

QString frmMain::ReadRegistry(quint32 Group, const QString& Section, const QString& Key)
{
    return readRegistryText(Group, Section, Key);
}

void frmMain::DiscoverDrivers()
{
    const QStringList lines = driverPortLines([this](const QString& section, const QString& key) {
        return ReadRegistry(platform::kHkeyLocalMachine, section, key);
    });
    if (lines.isEmpty()) {
        desktop_.messageBox(
            QStringLiteral("No KVR Drivers Found!  Please install at least one driver."),
            messageStyle::kPlain);
    }
    for (const QString& line : lines) {
        Combo2->addSorted(line);
    }
    if (Combo2->count() > 0) {
        Combo2->setCurrentIndex(0);
        return;
    }
    txtCommandList->setText(QStringLiteral("URL for the KVR Drivers:") + kNewLine + kDriverAddress +
                            kNewLine + QString(53, u'=') + kNewLine + kNewLine +
                            txtCommandList->text());
    btnSend->setEnabled(false);
    btnOpen->setEnabled(false);
    desktop_.messageBox(
        QStringLiteral("This program requires the Vorlan KVR Drivers to run.") + kNewLine +
            QStringLiteral("Please call ") + kSupportTelephone + kNewLine +
            QStringLiteral("or go to ") + kDriverAddress + kNewLine +
            QStringLiteral("(this URL has been placed in the window so you can copy it)") +
            kNewLine + QStringLiteral("or e-mail ") + kSupportMail + QStringLiteral(".") +
            kNewLine + QStringLiteral("Ask about the Vorlan Device Drivers (KVR).") + kNewLine,
        messageStyle::kCritical, QStringLiteral("No KVR Drivers Loaded!"));
}
