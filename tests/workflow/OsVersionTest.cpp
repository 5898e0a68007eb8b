// What differs on an old system, seen by the real code: built once per Windows version, each
// executable is told its version by Wine (the prefix names it per program) and checks the
// version code, the XP-refusal probe and the recommendation of the real main window, the
// skin fonts' face and the notification data the real tray icon is added with.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "skin/FontTable.h"
#include "tests/support/RunMainWindow.h"
#include "tests/support/WindowThreadProbe.h"
#include "workflow/CMainDlg.h"
#include "workflow/MainTexts.h"
#include "workflow/SystemProbe.h"

namespace {

struct ReportedSystem {
    // As GetVersion and GetVersionExW describe it.
    const char* version;
    int versionCode;
    bool xpRefused;
    SystemChoice recommended;
    const wchar_t* fontFace;
    DWORD notifyDataSize;
};

// XP's shell takes the notification data of XP's own headers, which end before the balloon
// icon of Vista and later.
constexpr ReportedSystem kWindowsXp{"5.1.2600 SP3, product type 1, suites 0x100",
                                    /*versionCode=*/6,
                                    /*xpRefused=*/false,
                                    kChoiceXp,
                                    L"Tahoma",
                                    sizeof(NOTIFYICONDATAW)};
// Vista and later take the full layout: 956 bytes, 976 in a 64-bit process.
constexpr ReportedSystem kWindows7{"6.1.7601 SP1, product type 1, suites 0x100",
                                   /*versionCode=*/13,
                                   /*xpRefused=*/true,
                                   kChoiceWin7,
                                   L"微软雅黑",
                                   sizeof(void*) == 8 ? 976 : 956};

// Named by the build for each executable.
constexpr const ReportedSystem& kSystem = QUORRIN_REPORTED_SYSTEM;

static_assert(kWindowsXp.notifyDataSize < kWindows7.notifyDataSize,
              "the headers must not define the larger layout, or the XP case proves nothing");

using MainWindow = WindowThreadProbe<CMainDlg>;

std::string ReportedVersion() {
    const DWORD packed = GetVersion();
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
#pragma GCC diagnostic pop
    char text[128];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu SP%u, product type %u, suites 0x%x",
                  packed & 0xFFul, (packed >> 8) & 0xFFul, packed >> 16, version.wServicePackMajor,
                  version.wProductType, version.wSuiteMask);
    return text;
}

// Wine's default version leaves the suite mask empty; only a version named in the prefix fills
// it, so the suites also show that the setting for this executable took.
TEST(ReportedSystem, IsTheOneThePrefixNamesForThisProgram) {
    EXPECT_EQ(ReportedVersion(), kSystem.version);
}

TEST(ReportedSystem, GivesItsVersionCode) {
    EXPECT_EQ(GetOsVersionCode(), kSystem.versionCode);
}

TEST(ReportedSystem, ChoosesTheFaceOfEverySkinFont) {
    std::vector<std::wstring> faces;
    for (int entry = FontTable::kFirstEntry; entry <= FontTable::kLastEntry; ++entry) {
        LOGFONTW font{};
        GetObjectW(FontTable::Font(entry), sizeof font, &font);
        faces.push_back(font.lfFaceName);
    }
    EXPECT_EQ(faces, std::vector<std::wstring>(faces.size(), kSystem.fontFace));
}

// The real probe of the real window decides the recommendation.
TEST(ReportedSystem, MainWindowRecommendsByTheXpProbe) {
    MainWindow dialog{CloudConfig{}};
    RunMainWindow(dialog, [&](HWND window) {
        OnWindowThread(window, [&] {
            EXPECT_EQ(dialog.m_bXpRefused, kSystem.xpRefused);
            EXPECT_EQ(dialog.m_nChoice, kSystem.recommended);
            EXPECT_EQ(dialog.m_radioXp.m_nFrame, kSystem.recommended == kChoiceXp ? 0 : 1);
            EXPECT_EQ(dialog.m_radioWin7.m_nFrame, kSystem.recommended == kChoiceWin7 ? 0 : 1);
            EXPECT_EQ(dialog.m_captionXp.m_strMarkup, main_texts::XpCaption(kSystem.xpRefused));
            EXPECT_EQ(dialog.m_captionWin7.m_strMarkup, main_texts::Win7Caption(kSystem.xpRefused));
        });
    });
}

// Wine's shell takes either size, so what is checked is the size the icon was added with.
TEST(ReportedSystem, TrayIconIsAddedWithTheNotifyDataOfThisShell) {
    MainWindow dialog{CloudConfig{}};
    RunMainWindow(dialog, [&](HWND window) {
        OnWindowThread(window, [&] {
            EXPECT_TRUE(dialog.m_bInstalled) << "NIM_ADD failed";
            EXPECT_EQ(dialog.m_nid.cbSize, kSystem.notifyDataSize);
        });
    });
}

}  // namespace
