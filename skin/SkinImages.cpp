#include "skin/SkinImages.h"

namespace {

// The table is built in one place so that its order of construction (and reverse order of
// destruction) is fixed. The shared memory DC is created first: every image draws through it.
struct SkinTable {
    HDC memDC = CSomBitmap::GetMemDC();
    CSomBitmap dialogLogo{L".\\res\\Kestrin.PNG", 1, CSomBitmap::kPng};
    CSomBitmap mainBackground{L".\\res\\Bkgnd.png", 1, CSomBitmap::kPng};
    CSomBitmap logo{L".\\res\\Logo.png", 1, CSomBitmap::kPng};
    CSomBitmap singleSelect{L".\\res\\SingleSel.png", 2, CSomBitmap::kPng};
    CSomBitmap select{L".\\res\\Sel.png", 2, CSomBitmap::kPng};
    CSomBitmap sysMin{L".\\res\\SysMin.png", 4, CSomBitmap::kPng};
    CSomBitmap sysMax{L".\\res\\SysMax.png", 4, CSomBitmap::kPng};
    CSomBitmap sysClose{L".\\res\\SysClose.png", 4, CSomBitmap::kPng};
    CSomBitmap textBottom{L".\\res\\TextBottom.png", 1, CSomBitmap::kPng};
    CSomBitmap winXP{L".\\res\\WinXP.png", 1, CSomBitmap::kPng};
    CSomBitmap win7{L".\\res\\Win7.png", 1, CSomBitmap::kPng};
    CSomBitmap start{L".\\res\\Start.png", 4, CSomBitmap::kPng};
    CSomBitmap step{L".\\res\\Step.png", 3, CSomBitmap::kPng};
    CSomBitmapHorizen3Part progressFill{202};
    CSomBitmapHorizen3Part progressTrack{201};
    CSomBitmap9Part dialogBackground{L".\\res\\basedialog\\msgBkgnd.png", 5, 25, 5, 195};
    CSomBitmap dialogClose{L".\\res\\basedialog\\msgclose.png", 3, CSomBitmap::kPng};
    CSomBitmap dialogButton{L".\\res\\basedialog\\btn.png", 3, CSomBitmap::kPng};
};

SkinTable& Table() {
    static SkinTable table;
    return table;
}

const bool g_created = (Table(), true);

}  // namespace

namespace SkinImages {

CSomBitmap& DialogLogo() {
    return Table().dialogLogo;
}
CSomBitmap& MainBackground() {
    return Table().mainBackground;
}
CSomBitmap& Logo() {
    return Table().logo;
}
CSomBitmap& SingleSelect() {
    return Table().singleSelect;
}
CSomBitmap& Select() {
    return Table().select;
}
CSomBitmap& SysMin() {
    return Table().sysMin;
}
CSomBitmap& SysMax() {
    return Table().sysMax;
}
CSomBitmap& SysClose() {
    return Table().sysClose;
}
CSomBitmap& TextBottom() {
    return Table().textBottom;
}
CSomBitmap& WinXP() {
    return Table().winXP;
}
CSomBitmap& Win7() {
    return Table().win7;
}
CSomBitmap& Start() {
    return Table().start;
}
CSomBitmap& Step() {
    return Table().step;
}
CSomBitmapHorizen3Part& ProgressFill() {
    return Table().progressFill;
}
CSomBitmapHorizen3Part& ProgressTrack() {
    return Table().progressTrack;
}
CSomBitmap9Part& DialogBackground() {
    return Table().dialogBackground;
}
CSomBitmap& DialogClose() {
    return Table().dialogClose;
}
CSomBitmap& DialogButton() {
    return Table().dialogButton;
}

}  // namespace SkinImages
