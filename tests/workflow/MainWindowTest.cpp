// The main window as a user meets it: a real modal window under Wine, driven from a second
// thread with the real mouse and keyboard, its state read on its own thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <boost/filesystem.hpp>
#include <fstream>
#include <iterator>
#include <string>

#include "base/CloudConfig.h"
#include "base/DebugLog.h"
#include "skin/GdiHandle.h"
#include "skin/PaintBuffer.h"
#include "skin/SkinImages.h"
#include "tests/richtext/ScreenPixels.h"
#include "tests/support/FileBytes.h"
#include "tests/support/FindDialog.h"
#include "tests/support/MessageBoxProbe.h"
#include "tests/support/OpenDownloadMgr.h"
#include "tests/support/RealMouse.h"
#include "tests/support/RunMainWindow.h"
#include "tests/support/TestEnv.h"
#include "tests/support/WaitFor.h"
#include "tests/support/WindowThreadProbe.h"
#include "workflow/CMainDlg.h"
#include "workflow/MainTexts.h"

namespace fs = boost::filesystem;

namespace {

// A colour no skin image holds, for finding pixels that nothing painted.
constexpr COLORREF kMarker = RGB(255, 0, 255);
constexpr ULONGLONG kGiB = 1073741824ull;

// What the fake drives report; D: is the real sandbox drive, so the image path lands there.
UINT g_driveDType = DRIVE_FIXED;
UINT FakeDriveType(const wchar_t* root) {
    return root[0] == L'D' ? g_driveDType : DRIVE_NO_ROOT_DIR;
}
bool FakeFreeBytes(const wchar_t*, ULONGLONG* bytes) {
    *bytes = 10 * kGiB;
    return true;
}

class ProbeMainDlg : public WindowThreadProbe<CMainDlg> {
public:
    explicit ProbeMainDlg(bool refuseXp, const CloudConfig& config = CloudConfig{})
        : WindowThreadProbe(config), m_refuseXp(refuseXp) {
        m_drives = DriveQueries{FakeDriveType, FakeFreeBytes};
    }

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result, DWORD messageMapId) override {
        if (message == WM_PAINT) {
            ++m_paints;
            m_bPainting = true;
            const BOOL handled = WindowThreadProbe::ProcessWindowMessage(
                window, message, wParam, lParam, result, messageMapId);
            m_bPainting = false;
            return handled;
        }
        return WindowThreadProbe::ProcessWindowMessage(window, message, wParam, lParam, result,
                                                       messageMapId);
    }

    bool ProbeXpRefusedNow() override { return m_refuseXp; }
    void EndProcess(UINT code) override { m_endedWith = static_cast<int>(code); }
    // Counts what reaches the screen: whole paints, and backgrounds drawn outside of them (the
    // immediate redraw of a single control).
    void DrawBackground(HDC dc, const RECT* rc) override {
        if (!m_bPainting)
            ++m_immediateDraws;
        CMainDlg::DrawBackground(dc, rc);
    }

    bool m_refuseXp;
    int m_endedWith = -1;
    int m_paints = 0;
    int m_immediateDraws = 0;
    bool m_bPainting = false;
};

HWND FindMenu() {
    HWND menu = nullptr;
    WaitFor([&] {
        menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu);
    });
    return menu;
}

void Key(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
    Sleep(100);
}

std::string Describe(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + " - " +
           std::to_string(rc.right) + "," + std::to_string(rc.bottom);
}

POINT Centre(const CSomWnd& w) {
    return POINT{(w.m_rc.left + w.m_rc.right) / 2, (w.m_rc.top + w.m_rc.bottom) / 2};
}

bool Visible(const CSomWnd& w) {
    return (w.m_dwStyle & SWS_VISIBLE) != 0;
}

// Screenshots for the documentation, kept in the build tree.
void SaveScreenshot(HWND window, const char* name) {
    RECT rc;
    GetWindowRect(window, &rc);
    CreateDirectoryW(L"screenshots", nullptr);
    EXPECT_TRUE(ScreenPixels::Capture(rc).SavePng(std::string("screenshots\\") + name));
}

// A manager that never starts its thread: the test sets what the window reads.
std::unique_ptr<OpenDownloadMgr> FakeManager(double downloadedBytes, double totalBytes,
                                             double averageRate, bool finished) {
    auto mgr = std::make_unique<OpenDownloadMgr>(MakeLinks({"http://127.0.0.1:1/win7u32.qrn"}),
                                                 "D:\\wfwin\\ghofile\\win7u32.qrn");
    mgr->downloaded = static_cast<std::int64_t>(downloadedBytes);
    mgr->total_size = static_cast<std::int64_t>(totalBytes);
    mgr->average_rate = averageRate;
    mgr->finished = finished;
    if (finished)
        mgr->outcome = DownloadOutcome::Done;
    return mgr;
}

// Megabytes stored so far, as the window's progress reads them.
double StoredMegabytes(const quorrin_download_mgr& mgr) {
    double downloaded = 0, total = 0, speed = 0;
    mgr.QueryProgress(downloaded, total, speed);
    return downloaded;
}

TEST(MainWindow, IsComposedAsDesignedAndPaintsEveryPixel) {
    ProbeMainDlg dialog(false);
    RunMainWindow(dialog, [&](HWND window) {
        OnWindowThread(window, [&] {
            RECT client;
            GetClientRect(window, &client);
            EXPECT_EQ(Describe(client), "0,0 - 860,560") << "the background's size";
            RECT frame;
            GetWindowRect(window, &frame);
            EXPECT_EQ(frame.right - frame.left, 862) << "plus the border";
            EXPECT_EQ(frame.bottom - frame.top, 562);
            gdi::Region region(CreateRectRgn(0, 0, 0, 0));
            ASSERT_NE(GetWindowRgn(window, region.Get()), ERROR);
            RECT box{};
            GetRgnBox(region.Get(), &box);
            EXPECT_EQ(Describe(box), "0,0 - 862,562") << "the whole window, border included";
            // Rounded 16 x 16 corners: the corner pixels are cut, the edges' middles kept.
            const struct {
                int x, y;
                bool inside;
            } probes[] = {
                {0, 0, false},    {861, 0, false}, {0, 561, false}, {861, 561, false},
                {2, 2, true},     {431, 0, true},  {0, 281, true},  {861, 281, true},
                {431, 561, true}, {8, 0, true},    {0, 8, true},    {853, 561, true},
            };
            for (const auto& p : probes) {
                EXPECT_EQ(PtInRegion(region.Get(), p.x, p.y) != FALSE, p.inside)
                    << p.x << "," << p.y;
            }
            wchar_t title[64] = {};
            GetWindowTextW(window, title, 64);
            EXPECT_STREQ(title, L"Quorrin一键装机");

            const struct {
                const char* name;
                const CSomWnd& control;
                const char* rect;
                bool visible;
            } layout[] = {
                {"minimise", dialog.m_btnSysMin, "770,1 - 800,25", true},
                {"maximise", dialog.m_btnSysMax, "800,1 - 830,25", true},
                {"close", dialog.m_btnSysClose, "830,1 - 860,25", true},
                {"XP picture", dialog.m_picXp, "116,248 - 406,304", true},
                {"7 picture", dialog.m_picWin7, "455,248 - 745,304", true},
                {"XP radio", dialog.m_radioXp, "255,310 - 275,330", true},
                {"7 radio", dialog.m_radioWin7, "595,310 - 615,330", true},
                {"tip strip", dialog.m_textBottom, "186,510 - 674,536", true},
                {"start", dialog.m_btnStart, "332,385 - 528,441", true},
                {"check box", dialog.m_checkHome, "350,465 - 366,481", true},
                {"step", dialog.m_step, "20,182 - 840,292", false},
                {"progress", dialog.m_progress, "214,317 - 626,337", false},
                {"minimised install", dialog.m_miniInstall, "750,500 - 850,540", false},
            };
            for (const auto& c : layout) {
                EXPECT_EQ(Describe(c.control.m_rc), c.rect) << c.name;
                EXPECT_EQ(Visible(c.control), c.visible) << c.name;
            }
            const struct {
                const char* name;
                const CSomWnd& control;
                int x, y;
            } labels[] = {
                {"title", dialog.m_title, 15, 5},
                {"site link", dialog.m_webLink, 750, 145},
                {"XP caption", dialog.m_captionXp, 292, 310},
                {"7 caption", dialog.m_captionWin7, 625, 310},
                {"check caption", dialog.m_checkHomeCaption, 370, 465},
                {"status", dialog.m_status, 214, 340},
            };
            for (const auto& l : labels) {
                EXPECT_EQ(l.control.m_rc.left, l.x) << l.name;
                EXPECT_EQ(l.control.m_rc.top, l.y) << l.name;
                EXPECT_GT(l.control.m_rc.right - l.control.m_rc.left, 20) << l.name;
            }
            const RECT& check = dialog.m_checkText.m_rc;
            EXPECT_EQ(check.top, 180);
            EXPECT_LE(std::abs(check.left - (860 - check.right)), 1) << "centred";
            EXPECT_NE(dialog.m_btnSysMax.m_dwStyle & SWS_DISABLED, 0u);
            EXPECT_EQ(dialog.m_btnSysMax.State(), 3) << "drawn disabled";
            EXPECT_EQ(dialog.m_checkHome.m_nFrame, 1) << "checked at first";
            EXPECT_EQ(dialog.m_nPage, CMainDlg::PAGE_CHOOSE);
            EXPECT_TRUE(dialog.m_bInstalled) << "tray icon";
            EXPECT_STREQ(dialog.m_nid.szTip, L"Quorrin一键装机");
            EXPECT_EQ(dialog.m_webLink.m_runs.at(0).link.front(), L'"');

            // Whatever the screen and the shared buffer held before, a repaint covers every
            // client pixel: nothing of the marker colour may survive.
            gdi::Brush marker(CreateSolidBrush(kMarker));
            RECT buffer{0, 0, PaintBuffer::kWidth, PaintBuffer::kHeight};
            SetViewportOrgEx(PaintBuffer::Get(), 0, 0, nullptr);
            FillRect(PaintBuffer::Get(), &buffer, marker.Get());
            {
                gdi::WindowDC dc(window);
                FillRect(dc.Get(), &client, marker.Get());
            }
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            const ScreenPixels shot = ScreenPixels::PrintClient(window);
            int left = 0;
            for (uint32_t pixel : shot.pixels)
                left += pixel == Rgb(kMarker);
            EXPECT_EQ(left, 0) << "pixels left unpainted";
        });
        // The screen gets the window's surface a moment after the paint.
        RECT frame;
        GetWindowRect(window, &frame);
        EXPECT_TRUE(WaitFor([&] {
            const ScreenPixels screen = ScreenPixels::Capture(frame);
            return screen.At(860, 280) != Rgb(kMarker) && screen.At(430, 560) != Rgb(kMarker);
        })) << "the last client column and row on screen";
        SaveScreenshot(window, "main-page1.png");
    });
}

TEST(MainWindow, RecommendationFollowsTheXpProbe) {
    for (bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "XP refused" : "XP allowed");
        ProbeMainDlg dialog(refused);
        RunMainWindow(dialog, [&](HWND window) {
            OnWindowThread(window, [&] {
                EXPECT_EQ(dialog.m_bXpRefused, refused);
                EXPECT_EQ(dialog.m_nChoice, refused ? 3 : 1);
                EXPECT_EQ(dialog.m_radioXp.m_nFrame, refused ? 1 : 0);
                EXPECT_EQ(dialog.m_radioWin7.m_nFrame, refused ? 0 : 1);
                EXPECT_EQ(dialog.m_captionXp.m_strMarkup, main_texts::XpCaption(refused));
                EXPECT_EQ(dialog.m_captionWin7.m_strMarkup, main_texts::Win7Caption(refused));
            });
        });
    }
}

TEST(MainWindow, ARefusedXpShowsTheWarningAndKeepsWindows7) {
    ProbeMainDlg dialog(true);
    const DWORD uiThread = GetCurrentThreadId();
    RunMainWindow(dialog, [&](HWND window) {
        RealMouse mouse(window);
        for (const CSomWnd* zone : {static_cast<const CSomWnd*>(&dialog.m_picXp),
                                    static_cast<const CSomWnd*>(&dialog.m_captionXp),
                                    static_cast<const CSomWnd*>(&dialog.m_radioXp)}) {
            const POINT at = Centre(*zone);
            mouse.Click(at.x, at.y);
            const HWND warning = FindDialog(uiThread, window);
            ASSERT_TRUE(warning) << "no warning at " << at.x << "," << at.y;
            if (zone == &dialog.m_picXp)
                SaveScreenshot(warning, "warn-dialog.png");
            PostMessageW(warning, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(warning); }));
            OnWindowThread(window, [&] { EXPECT_EQ(dialog.m_nChoice, 3); });
        }
        const POINT win7 = Centre(dialog.m_captionWin7);
        mouse.Click(win7.x, win7.y);
        Sleep(200);
        EXPECT_FALSE(FindWindowExW(nullptr, window, L"#32770", nullptr) &&
                     FindDialog(uiThread, window) != nullptr)
            << "the Windows 7 zone shows no warning";
        OnWindowThread(window, [&] {
            EXPECT_EQ(dialog.m_nChoice, 3);
            EXPECT_EQ(dialog.m_radioWin7.m_nFrame, 0);
        });
    });
}

TEST(MainWindow, ClicksChooseTheSystemToggleTheCheckBoxAndDragTheWindow) {
    ProbeMainDlg dialog(false);
    RunMainWindow(dialog, [&](HWND window) {
        RealMouse mouse(window);
        auto clickOn = [&](const CSomWnd& w) {
            const POINT at = Centre(w);
            mouse.Click(at.x, at.y);
            Sleep(100);
        };
        auto expectChoice = [&](int choice, const char* after) {
            OnWindowThread(window, [&] {
                EXPECT_EQ(dialog.m_nChoice, choice) << after;
                EXPECT_EQ(dialog.m_radioXp.m_nFrame, choice == 1 ? 0 : 1) << after;
                EXPECT_EQ(dialog.m_radioWin7.m_nFrame, choice == 3 ? 0 : 1) << after;
            });
        };
        clickOn(dialog.m_picWin7);
        expectChoice(3, "the Windows 7 picture");
        clickOn(dialog.m_captionXp);
        expectChoice(1, "the XP caption");
        clickOn(dialog.m_radioWin7);
        expectChoice(3, "the Windows 7 radio");
        clickOn(dialog.m_radioXp);
        expectChoice(1, "the XP radio");

        auto expectChecked = [&](bool checked, const char* after) {
            OnWindowThread(window, [&] {
                EXPECT_EQ(dialog.m_bHomePage, checked) << after;
                EXPECT_EQ(dialog.m_checkHome.m_nFrame, checked ? 1 : 0) << after;
            });
        };
        clickOn(dialog.m_checkHome);
        expectChecked(false, "one click on the box");
        clickOn(dialog.m_checkHomeCaption);
        expectChecked(true, "one click on its caption");
        clickOn(dialog.m_checkHome);
        expectChecked(false, "a third click");
        // A quick second click arrives as a double click: it still counts as a click.
        const POINT box = Centre(dialog.m_checkHome);
        mouse.MoveTo(box.x, box.y);
        mouse.Press();
        mouse.Release();
        mouse.Press();
        mouse.Release();
        Sleep(100);
        expectChecked(false, "a double click toggles twice");

        RECT before;
        GetWindowRect(window, &before);
        mouse.Drag(POINT{60, 420}, 40, 30);
        Sleep(200);
        RECT after;
        GetWindowRect(window, &after);
        EXPECT_EQ(after.left - before.left, 40) << "a press on the free surface drags";
        EXPECT_EQ(after.top - before.top, 30);
        expectChoice(1, "the drag");

        // On page 2 the same places only drag: the choice stays the download's.
        OnWindowThread(window, [&] { dialog.ShowPage(CMainDlg::PAGE_PROGRESS); });
        clickOn(dialog.m_picWin7);
        clickOn(dialog.m_checkHome);
        expectChoice(1, "clicks on page 2");
        expectChecked(false, "clicks on page 2");
    });
}

// HKLM's InstallDate, put back whatever the test does to it.
class InstallDateValue {
public:
    InstallDateValue() {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                        nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                        &m_key, nullptr);
        DWORD size = sizeof m_original;
        m_hadValue = RegQueryValueExW(m_key, L"InstallDate", nullptr, nullptr,
                                      reinterpret_cast<BYTE*>(&m_original), &size) == 0;
    }
    ~InstallDateValue() {
        if (m_hadValue)
            Set(m_original);
        else
            Remove();
        RegCloseKey(m_key);
    }
    void Set(DWORD value) {
        RegSetValueExW(m_key, L"InstallDate", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                       sizeof value);
    }
    void Remove() { RegDeleteValueW(m_key, L"InstallDate"); }

private:
    HKEY m_key = nullptr;
    DWORD m_original = 0;
    bool m_hadValue = false;
};

TEST(MainWindow, CheckSentenceFollowsTheInstallAge) {
    InstallDateValue installDate;
    ProbeMainDlg dialog(false);
    RunMainWindow(dialog, [&](HWND window) {
        const struct {
            const char* name;
            long long age;  // seconds; -1: no install date
            std::wstring expected;
        } cases[] = {
            {"90 days", 90 * 86400, main_texts::CheckSentence(0)},
            {"91 days", 91 * 86400 + 5, main_texts::CheckSentence(91)},
            {"no date", -1, main_texts::CheckSentence(GetUnixTimeNow() / 86400)},
        };
        for (const auto& c : cases) {
            if (c.age < 0)
                installDate.Remove();
            else
                installDate.Set(GetUnixTimeNow() - static_cast<DWORD>(c.age) + 5);
            OnWindowThread(window, [&] {
                dialog.UpdateCheckText();
                EXPECT_EQ(dialog.m_checkText.m_strMarkup, c.expected) << c.name;
                const RECT& rc = dialog.m_checkText.m_rc;
                EXPECT_LE(std::abs(rc.left - (860 - rc.right)), 1) << c.name << ": centred";
                EXPECT_EQ(rc.top, 180) << c.name;
            });
        }
    });
}

TEST(MainWindow, StartWithoutRoomSaysSoAndStaysOnTheChoice) {
    g_driveDType = DRIVE_REMOVABLE;
    ProbeMainDlg dialog(false);
    RunMainWindow(dialog, [&](HWND window) {
        const POINT start = Centre(dialog.m_btnStart);
        RealMouse(window).Click(start.x, start.y);
        const MessageBoxSeen box =
            WaitForMessageBox(L"Quorrin一键装机", 5000, GetCurrentProcessId());
        ASSERT_TRUE(box.window) << "no message";
        EXPECT_EQ(box.text, L"检测到系统安装所需要的空间不足，\n请清除硬盘空间后再尝试操作");
        PressOk(box.window);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box.window); }));
        OnWindowThread(window, [&] {
            EXPECT_EQ(dialog.m_nPage, CMainDlg::PAGE_CHOOSE);
            EXPECT_TRUE(Visible(dialog.m_btnStart));
            EXPECT_EQ(dialog.m_pDownloadMgr, nullptr);
            EXPECT_EQ(dialog.m_szImagePath[0], L'\0');
        });
    });
    g_driveDType = DRIVE_FIXED;
}

TEST(MainWindow, APageChangeIsOneRepaint) {
    ProbeMainDlg dialog(false);
    RunMainWindow(dialog, [&](HWND window) {
        for (int page : {CMainDlg::PAGE_PROGRESS, CMainDlg::PAGE_CHOOSE}) {
            OnWindowThread(window, [&] {
                UpdateWindow(window);
                dialog.m_paints = 0;
                dialog.m_immediateDraws = 0;
                dialog.ShowPage(page);
                EXPECT_EQ(dialog.m_paints, 1) << "page " << page;
                EXPECT_EQ(dialog.m_immediateDraws, 0) << "page " << page;
            });
        }
    });
}

TEST(MainWindow, ADownloadThatCannotStartSendsTheUserToALogThatSaysWhy) {
    ProbeMainDlg dialog(true);
    const DWORD uiThread = GetCurrentThreadId();
    RunMainWindow(dialog, [&](HWND window) {
        const POINT start = Centre(dialog.m_btnStart);
        RealMouse(window).Click(start.x, start.y);
        const HWND box = FindDialog(uiThread, window);
        ASSERT_TRUE(box) << "no message";
        PressOk(box);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
        OnWindowThread(window, [&] {
            EXPECT_EQ(dialog.m_pDownloadMgr, nullptr);
            EXPECT_EQ(dialog.m_nPage, CMainDlg::PAGE_PROGRESS) << "stays with its last status";
        });
    });
    const std::string text = ReadBytes("debug.log");
    EXPECT_NE(text.find(ToAnsi(L"无法获取有效链接")), std::string::npos) << "the engine's reason";
}

TEST(MainWindow, ProgressTickShowsBarSpeedSizesAndMinutes) {
    ProbeMainDlg dialog(false);
    RunMainWindow(dialog, [&](HWND window) {
        const struct {
            const char* name;
            double downloaded, total, rate;
            int position;
            const wchar_t* speed;
            const wchar_t* status;
        } cases[] = {
            {"before the size is known", 0, 0, 0, 0, L" 0.00KB/秒。",
             L"总大小:0.00MB,已下载：0.00MB 估计系统安装成功时间为：0分钟"},
            {"nothing moves", 1048576, 4194304, 0, 25, L" 0.00KB/秒。",
             L"总大小:4.00MB,已下载：1.00MB 估计系统安装成功时间为：0分钟"},
            // 2/3 is 66.6 %: truncated; 2 MiB left at 5.3 KB/s is 395 s, 6 whole minutes.
            {"truncated", 2097152, 3145728 + 1048576, 1, 50, L" 5.30KB/秒。",
             L"总大小:4.00MB,已下载：2.00MB 估计系统安装成功时间为：6分钟"},
            {"past the total", 5242880, 4194304, 100, 100, L" 530.00KB/秒。",
             L"总大小:4.00MB,已下载：5.00MB 估计系统安装成功时间为：0分钟"},
        };
        for (const auto& c : cases) {
            OnWindowThread(window, [&] {
                dialog.m_pDownloadMgr = FakeManager(c.downloaded, c.total, c.rate, false);
                dialog.ShowPage(CMainDlg::PAGE_PROGRESS);
                dialog.OnProgressTick();
                EXPECT_EQ(dialog.m_progress.m_nPos, c.position) << c.name;
                EXPECT_EQ(dialog.m_speed.m_strMarkup, c.speed) << c.name;
                EXPECT_EQ(dialog.m_status.m_strMarkup, c.status) << c.name;
            });
        }
        OnWindowThread(window, [&] {
            dialog.ShowPage(CMainDlg::PAGE_CHOOSE);
            dialog.m_pDownloadMgr = FakeManager(1048576, 2097152, 1, false);
            dialog.OnProgressTick();
            EXPECT_EQ(dialog.m_progress.m_nPos, 100) << "a tick on page 1 changes nothing";
            dialog.m_pDownloadMgr.reset();
        });
    });
}

TEST(MainWindow, CompletionPlacesTheInstallerStartsItAndHides) {
    const fs::path folder = "D:\\wfwin\\ghofile";
    fs::remove_all(folder);
    fs::create_directories(folder);
    WriteBytes(folder / "xp.cfg", "stale");
    WriteBytes(folder / "win7u32.qrn", "image");
    ProbeMainDlg dialog(false);
    RunMainWindow(dialog, [&](HWND window) {
        OnWindowThread(window, [&] {
            dialog.ShowPage(CMainDlg::PAGE_PROGRESS);
            dialog.m_nChoice = 3;
            lstrcpyW(dialog.m_szImagePath, L"D:\\wfwin\\ghofile\\win7u32.qrn");
            dialog.m_pDownloadMgr = FakeManager(5, 5, 0, true);
        });
        PostMessageW(window, WM_TIMER, CMainDlg::TIMER_PROGRESS, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }, 15000)) << "not hidden";
        EXPECT_TRUE(fs::exists(folder / "QrnOneKey.receipt.txt"))
            << "hidden only after the installer ended";
        OnWindowThread(window, [&] {
            EXPECT_EQ(dialog.m_step.m_nFrame, 2);
            EXPECT_EQ(dialog.m_progress.m_nPos, 100);
            EXPECT_EQ(dialog.m_speed.m_strMarkup, L"");
            EXPECT_EQ(dialog.m_status.m_strMarkup, L"重装所需文件准备完毕，建议立即重装. . .");
            EXPECT_TRUE(dialog.m_bInstalled) << "the tray icon stays";
        });
    });
    std::string line;
    std::getline(std::ifstream((folder / "QrnOneKey.receipt.txt").string()), line);
    EXPECT_EQ(line, "COMMAND_LINE  /set");
    EXPECT_TRUE(fs::exists(folder / "QrnOneKey.exe"));
    EXPECT_TRUE(fs::exists(folder / "win7.cfg"));
    EXPECT_EQ(fs::file_size(folder / "win7.cfg"), 0u);
    EXPECT_FALSE(fs::exists(folder / "xp.cfg"));
    fs::remove_all("D:\\wfwin");
}

TEST(MainWindow, DownloadFailureIsShownThenTheProcessEndsWithoutItsIcon) {
    ProbeMainDlg dialog(false);
    const std::string reason = ToAnsi(L"连接出错或超时, 无法获取下载文件大小");
    RunMainWindow(dialog, [&](HWND window) {
        OnWindowThread(window, [&] {
            dialog.ShowPage(CMainDlg::PAGE_PROGRESS);
            auto failed = FakeManager(0, 0, 0, true);
            failed->outcome = DownloadOutcome::Unreachable;
            failed->error_text = reason;
            dialog.m_pDownloadMgr = std::move(failed);
        });
        PostMessageW(window, WM_TIMER, CMainDlg::TIMER_PROGRESS, 0);
        const MessageBoxSeen box = WaitForMessageBox(L"出错了", 5000, GetCurrentProcessId());
        ASSERT_TRUE(box.window);
        EXPECT_EQ(box.text, L"连接出错或超时, 无法获取下载文件大小");
        PressOk(box.window);
        EXPECT_TRUE(WaitFor([&] { return dialog.m_endedWith == 0; }));
        OnWindowThread(window, [&] { EXPECT_FALSE(dialog.m_bInstalled) << "no dead icon"; });
    });
}

TEST(MainWindow, TrayDoubleClickTogglesAndTheMenuRestoresOrQuits) {
    ProbeMainDlg dialog(false);
    const INT_PTR result = RunMainWindow(dialog, [&](HWND window) {
        const UINT tray = dialog.m_nTrayMessage;
        SendMessageW(window, tray, 0, WM_LBUTTONDBLCLK);
        EXPECT_FALSE(IsWindowVisible(window)) << "a double click hides a visible window";
        SendMessageW(window, tray, 0, WM_LBUTTONDBLCLK);
        EXPECT_TRUE(IsWindowVisible(window)) << "and shows a hidden one";

        // Escape dismisses the menu: command 0 reaches the window and nothing happens.
        PostMessageW(window, tray, 0, WM_RBUTTONUP);
        ASSERT_TRUE(FindMenu()) << "no menu";
        Key(VK_ESCAPE);
        EXPECT_TRUE(WaitFor([] { return !IsWindowVisible(FindWindowW(L"#32768", nullptr)); }));
        Sleep(200);
        EXPECT_TRUE(IsWindow(window));
        EXPECT_TRUE(IsWindowVisible(window));

        PostMessageW(window, WM_COMMAND, CMainDlg::ID_SYSMIN, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }));
        PostMessageW(window, tray, 0, WM_RBUTTONUP);
        ASSERT_TRUE(FindMenu());
        Key(VK_DOWN);
        Key(VK_RETURN);
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }))
            << "点我恢复 shows the window";

        PostMessageW(window, tray, 0, WM_RBUTTONUP);
        ASSERT_TRUE(FindMenu());
        Key(VK_DOWN);
        Key(VK_DOWN);
        Key(VK_RETURN);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); })) << "点我退出 ends the window";
    });
    EXPECT_EQ(result, 0);
}

// Explorer restarting loses every notification icon and then broadcasts "TaskbarCreated".
TEST(MainWindow, TheTrayIconComesBackWhenTheShellRestarts) {
    ProbeMainDlg dialog(false);
    RunMainWindow(dialog, [&](HWND window) {
        const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
        // What the shell answers about the window's icon; it changes an icon only while that
        // icon exists.
        const auto shell = [&](DWORD message) {
            NOTIFYICONDATAW data{};
            data.cbSize = sizeof data;
            data.hWnd = window;
            data.uID = 0xFFFFFFFF;
            return Shell_NotifyIconW(message, &data) != FALSE;
        };
        const auto iconThere = [&] { return shell(NIM_MODIFY); };
        ASSERT_TRUE(iconThere()) << "the window starts with its icon";
        PostMessageW(window, WM_COMMAND, CMainDlg::ID_SYSMIN, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }))
            << "hidden: the icon is the only way back";

        ASSERT_TRUE(shell(NIM_DELETE)) << "the shell lost the icon";
        ASSERT_FALSE(iconThere());
        SendMessageW(window, taskbarCreated, 0, 0);
        EXPECT_TRUE(iconThere()) << "re-added when the shell came back";
        SendMessageW(window, taskbarCreated, 0, 0);
        EXPECT_TRUE(iconThere()) << "a taskbar that kept its icons keeps this one";
        OnWindowThread(window, [&] { EXPECT_TRUE(dialog.m_bInstalled); });

        // The icon is restored only while the window wants one.
        OnWindowThread(window, [&] { dialog.RemoveTrayIcon(); });
        SendMessageW(window, taskbarCreated, 0, 0);
        EXPECT_FALSE(iconThere()) << "an icon the window removed stays removed";
        PostMessageW(window, WM_COMMAND, ID_TRAY_EXIT, 0);
    });
}

// A real download from the loopback server, slow enough to be caught in the middle.
class MainWindowDownload : public ::testing::Test {
protected:
    void SetUp() override {
        std::string image(8 * 1048576, '\0');
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<char>(i * 7 + i / 4096);
        WriteBytes(fs::path(testenv::DocRoot()) / "win7u32.qrn", image);
        config_.win7Urls = {testenv::ServerUrl() +
                            "/win7u32.qrn?mode=pieces&size=65536&delay_ms=100"};
        fs::remove_all("D:\\ghofile");
    }
    void TearDown() override { fs::remove_all("D:\\ghofile"); }
    CloudConfig config_;
};

TEST_F(MainWindowDownload, HidingKeepsTheDownloadGoingAndQuittingStopsAndJoinsIt) {
    ProbeMainDlg dialog(true, config_);
    std::atomic<bool> quitAsked{false};
    const INT_PTR result = RunMainWindow(dialog, [&](HWND window) {
        const POINT start = Centre(dialog.m_btnStart);
        RealMouse(window).Click(start.x, start.y);
        ASSERT_TRUE(WaitFor(
            [&] {
                bool running = false;
                OnWindowThread(window, [&] {
                    running = dialog.m_pDownloadMgr && StoredMegabytes(*dialog.m_pDownloadMgr) > 0;
                });
                return running;
            },
            15000))
            << "the download did not start";
        OnWindowThread(window, [&] {
            EXPECT_EQ(dialog.m_nPage, CMainDlg::PAGE_PROGRESS);
            EXPECT_STREQ(dialog.m_szImagePath, L"D:\\ghofile\\win7u32.qrn");
            EXPECT_EQ(dialog.m_step.m_nFrame, 1);
            EXPECT_EQ(dialog.m_status.m_strMarkup, main_texts::kStatusWaiting);
            dialog.OnProgressTick();
        });
        SaveScreenshot(window, "main-page2.png");

        const struct {
            const char* name;
            UINT message;
            WPARAM wParam;
        } hides[] = {
            {"minimise", WM_COMMAND, CMainDlg::ID_SYSMIN},
            {"close", WM_COMMAND, CMainDlg::ID_SYSCLOSE},
            {"minimised install", WM_COMMAND, CMainDlg::ID_MINI_INSTALL},
            {"WM_CLOSE", WM_CLOSE, 0},
        };
        for (const auto& h : hides) {
            PostMessageW(window, h.message, h.wParam, 0);
            EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(window); })) << h.name;
            double before = 0;
            OnWindowThread(window, [&] { before = StoredMegabytes(*dialog.m_pDownloadMgr); });
            EXPECT_TRUE(WaitFor([&] {
                double now = 0;
                OnWindowThread(window, [&] { now = StoredMegabytes(*dialog.m_pDownloadMgr); });
                return now > before;
            })) << h.name
                << ": the download goes on";
            PostMessageW(window, WM_COMMAND, ID_TRAY_RESTORE, 0);
            EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; })) << h.name;
        }
        quitAsked = true;
        PostMessageW(window, WM_COMMAND, ID_TRAY_EXIT, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }, 10000));
    });
    EXPECT_TRUE(quitAsked);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dialog.m_pDownloadMgr, nullptr) << "stopped, joined and deleted";
    const auto kept =
        fs::exists("D:\\ghofile\\win7u32.qrn") ? fs::file_size("D:\\ghofile\\win7u32.qrn") : 0;
    EXPECT_GT(kept, 0u) << "what arrived stays for a later resume";
    EXPECT_LT(kept, 8u * 1048576) << "stopped before the end";
}

}  // namespace
