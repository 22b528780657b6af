#pragma once

#include "device/MSComm.h"
#include "ui/AutoSizeLabel.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QPushButton>

#include <ostream>

// The port area of the main window after a dialogue, in one value to compare.
struct PortArea {
    QString button;
    bool buttonShown = false;
    bool buttonEnabled = false;
    QString driver;
    QString device;
    QString port;
    QString name;
    bool portOpen = false;
    bool readerFound = false;

    friend bool operator==(const PortArea&, const PortArea&) = default;
};

inline void PrintTo(const PortArea& a, std::ostream* out)
{
    *out << "{" << a.button.toStdString() << (a.buttonShown ? " shown" : " hidden")
         << (a.buttonEnabled ? " enabled" : " disabled") << ", driver \"" << a.driver.toStdString()
         << "\", device \"" << a.device.toStdString() << "\", port \"" << a.port.toStdString()
         << "\", name \"" << a.name.toStdString() << "\", " << (a.portOpen ? "open" : "closed")
         << (a.readerFound ? ", reader found" : "") << "}";
}

inline PortArea portAreaOf(const frmMain& window)
{
    return {
        window.btnOpen->text(),         !window.btnOpen->isHidden(), window.btnOpen->isEnabled(),
        window.txtDeviceDriver->text(), window.lblDevice->text(),    window.lblCurrPort->text(),
        window.txtCurrName->text(),     window.MSComm1->PortOpen(),  window.bReaderFound};
}
