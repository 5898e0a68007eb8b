#include "skin/FontTable.h"

namespace {

struct FontSpec {
    LONG height;
    LONG weight;  // 0: keep the stock font's weight
};

// Character heights in pixels (negative lfHeight); entry 1 keeps the stock weight.
constexpr FontSpec kSpecs[] = {
    {-11, 0},         {-11, FW_BOLD}, {-12, FW_NORMAL}, {-12, FW_BOLD},
    {-13, FW_NORMAL}, {-13, FW_BOLD}, {-16, FW_NORMAL}, {-16, FW_BOLD},
};

}  // namespace

FontTable::FontTable(DWORD reportedVersion) {
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lstrcpynW(lf.lfFaceName, FaceForVersion(reportedVersion), LF_FACESIZE);
    for (int i = 0; i < kLastEntry; ++i) {
        lf.lfHeight = kSpecs[i].height;
        if (kSpecs[i].weight)
            lf.lfWeight = kSpecs[i].weight;
        m_fonts[i] = SkinFont(CreateFontIndirectW(&lf));
    }
}

HFONT FontTable::Get(int entry) const {
    if (entry < kFirstEntry || entry > kLastEntry)
        return nullptr;
    return m_fonts[entry - kFirstEntry].Get();
}

const wchar_t* FontTable::FaceForVersion(DWORD reportedVersion) {
    const bool nt = (reportedVersion & 0x80000000u) == 0;
    const DWORD major = reportedVersion & 0xFFu;
    return nt && major == 6 ? L"微软雅黑" : L"Tahoma";
}

const FontTable& FontTable::Process() {
    // Built on first use: a global of another file may need a font before this file's globals
    // exist, since the order between files is unspecified.
    static const FontTable fonts(GetVersion());
    return fonts;
}

namespace {
// Built during start-up at the latest, before any window exists.
const bool g_created = (FontTable::Process(), true);
}  // namespace
