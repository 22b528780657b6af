#include "ui/MainLayout.h"

#include "ui/MainWindowDesign.h"

#include <algorithm>

MainLayout layOutMainWindow(TwipsSize outer, int serialLabelHeight)
{
    MainLayout l;
    // A window dragged too small springs back, each dimension on its own.
    const int W = std::max(outer.width, design::minimumOuter.width);
    const int H = std::max(outer.height, design::minimumOuter.height);
    l.outer = {W, H};

    l.frmKVRPort = design::frmKVRPort;
    l.frmKVRPort.width = W - 225;
    l.frmKVRPort.top = H - l.frmKVRPort.height - 750;

    l.frmLastUsed = design::frmLastUsed;
    l.frmLastUsed.left = l.frmKVRPort.width - l.frmLastUsed.width - 150;

    l.txtCurrName = design::txtCurrName;
    l.txtCurrName.left = l.frmLastUsed.left;

    l.btnOpen = design::btnOpen;
    l.btnOpen.left = l.frmLastUsed.left - l.btnOpen.width - 150;

    l.line2X2 = l.frmLastUsed.left - l.btnOpen.width - 500;

    l.Combo2 = design::Combo2;
    l.Combo2.width = l.btnOpen.left - 500;

    l.btnSend = design::btnSend;
    l.btnSend.top = l.frmKVRPort.top - serialLabelHeight - 150;

    l.lblSerialNumberTop = l.btnSend.top;
    l.txtSerialNumber = design::txtSerialNumber;
    l.txtSerialNumber.top = l.btnSend.top;
    l.btnExit = design::btnExit;
    l.btnExit.top = l.btnSend.top;

    l.btnExit.left = W - l.btnExit.width - 150;

    l.txtCommandList = design::txtCommandList;
    l.txtCommandList.width = W - 5 * l.txtCommandList.left;
    l.txtCommandList.height = l.btnSend.top - 200;
    return l;
}
