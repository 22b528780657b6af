#pragma once

#include "ui/Twips.h"

// The main window as designed: positions within each control's container, in twips.
namespace design {

// The window's client area below the menu bar.
inline constexpr TwipsSize clientArea{9435, 6240};

// Border, title bar and menu bar of the window that the resize rules were drawn
// for. The rules work on the outer size, so the outer size is always the client
// area plus these, whatever frame the window manager actually draws.
inline constexpr TwipsSize nonClientArea{120, 690};

// The window is never smaller than this (outer size).
inline constexpr TwipsSize minimumOuter{9555, 6930};

// On the window.
inline constexpr TwipsRect txtCommandList{50, 0, 9345, 3840};
inline constexpr TwipsRect lblSerialNumber{50, 3990, 2865, 195};
inline constexpr TwipsRect txtSerialNumber{3030, 3960, 1575, 285};
inline constexpr TwipsRect btnSend{4800, 3960, 1305, 350};
inline constexpr TwipsRect btnExit{8090, 3937, 1305, 350};
inline constexpr TwipsRect frmKVRPort{50, 4320, 9345, 1815};

// In frmKVRPort.
inline constexpr TwipsRect Combo2{120, 240, 5895, 330};
inline constexpr TwipsRect btnOpen{6120, 230, 1215, 350};
inline constexpr TwipsRect Label3{225, 615, 675, 240};
inline constexpr TwipsRect txtDeviceDriver{960, 615, 6375, 480};
inline constexpr TwipsPoint line2From{75, 1155};
inline constexpr TwipsPoint line2To{7320, 1155};
inline constexpr TwipsRect D{120, 1200, 780, 240};
inline constexpr TwipsRect lblDevice{960, 1200, 420, 210};
inline constexpr TwipsRect frmLastUsed{7560, 240, 1695, 735};
inline constexpr TwipsRect txtCurrName{7560, 1080, 1695, 615};

// In frmLastUsed.
inline constexpr TwipsRect Label2{120, 255, 900, 240};
inline constexpr TwipsRect lblCurrPort{1140, 240, 165, 285};

} // namespace design
