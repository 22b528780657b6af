#pragma once

#include "ui/Twips.h"

// Where the resizable controls of the main window go for a given outer size.
// Everything not named here keeps its designed place and size.
struct MainLayout {
    TwipsSize outer; // after springing back to the minimum
    TwipsRect frmKVRPort;
    TwipsRect frmLastUsed;
    TwipsRect txtCurrName;
    TwipsRect btnOpen;
    int line2X2 = 0;
    TwipsRect Combo2;
    TwipsRect btnSend;
    int lblSerialNumberTop = 0;
    TwipsRect txtSerialNumber;
    TwipsRect btnExit;
    TwipsRect txtCommandList;
};

// Lays out the main window for the outer size `outer` (border, title bar and
// menu bar included). `serialLabelHeight` is the current height of the
// serial-number label, which counts even while the label is hidden.
MainLayout layOutMainWindow(TwipsSize outer, int serialLabelHeight);
