#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "skin/FontTable.h"
#include "skin/GdiHandle.h"
#include "tests/richtext/ScreenPixels.h"
#include "tests/richtext/TestHostWindow.h"
#include "tests/support/FindDialog.h"
#include "tests/support/RealMouse.h"
#include "tests/support/WaitFor.h"
#include "tests/support/WindowThreadProbe.h"
#include "workflow/CWarnDialog.h"

namespace {

// The warning dialog, reachable on its own thread from the driving one.
using ProbeDialog = WindowThreadProbe<CWarnDialog>;

// Runs the dialog modally on this thread over a plain owner window while `drive` acts on it
// from another thread. Whatever `drive` leaves open is closed with IDCANCEL afterwards, and
// `leftOpen` says so.
INT_PTR RunDialog(ProbeDialog& dialog, const std::function<void(HWND)>& drive,
                  bool* leftOpen = nullptr) {
    TestHostWindow owner(60, 60, 700, 500);
    const DWORD uiThread = GetCurrentThreadId();
    std::atomic<bool> open{false};
    std::thread driver([&] {
        const HWND window = FindDialog(uiThread);
        if (!window) {
            ADD_FAILURE() << "the dialog did not appear";
            return;
        }
        // Acts only once the dialog's own loop runs, as a user's first move would.
        OnWindowThread(window, [] {});
        drive(window);
        open = !WaitFor([&] { return !IsWindow(window); });
        if (open)
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    const INT_PTR result = dialog.DoModal(owner.m_hHost);
    driver.join();
    if (leftOpen)
        *leftOpen = open;
    return result;
}

RECT WindowRect(HWND window) {
    RECT rc;
    GetWindowRect(window, &rc);
    return rc;
}

// The shape the dialog must have at a client size of cx x cy.
gdi::Region ExpectedRegion(int cx, int cy) {
    gdi::Region region(CreateRoundRectRgn(0, 0, cx + 1, cy + 1, 7, 7));
    for (POINT p : {POINT{1, 1}, POINT{cx - 2, 1}, POINT{1, cy - 2}, POINT{cx - 2, cy - 2}}) {
        gdi::Region pixel(CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1));
        CombineRgn(region.Get(), region.Get(), pixel.Get(), RGN_DIFF);
    }
    return region;
}

void ExpectShape(HWND dialog, int cx, int cy) {
    gdi::Region actual(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(dialog, actual.Get()), ERROR) << "no window region";
    EXPECT_TRUE(EqualRgn(actual.Get(), ExpectedRegion(cx, cy).Get())) << cx << " x " << cy;
    const struct {
        int x, y;
        bool inside;
    } probes[] = {
        {0, 0, false},     {cx - 1, 0, false},  {0, cy - 1, false},     {cx - 1, cy - 1, false},
        {1, 1, false},     {cx - 2, 1, false},  {1, cy - 2, false},     {cx - 2, cy - 2, false},
        {cx / 2, 0, true}, {0, cy / 2, true},   {cx - 1, cy / 2, true}, {cx / 2, cy - 1, true},
        {2, 2, true},      {cx, cy / 2, false}, {cx / 2, cy, false},
    };
    for (const auto& p : probes) {
        EXPECT_EQ(PtInRegion(actual.Get(), p.x, p.y) != FALSE, p.inside)
            << "(" << p.x << ", " << p.y << ") at " << cx << " x " << cy;
    }
}

std::string Describe(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + " - " +
           std::to_string(rc.right) + "," + std::to_string(rc.bottom);
}

TEST(WarnDialog, LooksAsDesignedAndEndsWithOkThroughTheOkButton) {
    ProbeDialog dialog;
    bool leftOpen = false;
    const INT_PTR result = RunDialog(
        dialog,
        [&](HWND window) {
            OnWindowThread(window, [&] {
                RECT client;
                GetClientRect(window, &client);
                EXPECT_EQ(client.right, 350);
                EXPECT_EQ(client.bottom, 220);
                const RECT frame = WindowRect(window);
                EXPECT_EQ(frame.right - frame.left, 350) << "the dialog has no border";
                ExpectShape(window, 350, 220);

                EXPECT_EQ(Describe(dialog.m_logo.m_rc), "8,6 - 24,22");
                EXPECT_EQ(dialog.m_title.m_rc.left, 30);
                EXPECT_EQ(dialog.m_title.m_rc.top, 6);
                EXPECT_GT(dialog.m_title.m_rc.right, 100) << "the title is sized to its text";
                EXPECT_EQ(dialog.m_title.m_hDefaultFont, FontTable::Font(3));
                EXPECT_EQ(dialog.m_title.m_crText, 0u);
                EXPECT_EQ(Describe(dialog.m_btnClose.m_rc), "320,1 - 350,25");
                EXPECT_EQ(Describe(dialog.m_btnOK.m_rc), "250,172 - 312,197");
                EXPECT_EQ(dialog.m_btnOK.m_strText, L"确定");
                EXPECT_EQ(dialog.m_btnOK.m_crText, 0x00A2661Au);
                EXPECT_EQ(Describe(dialog.m_message.m_rc), "50,70 - 300,140");
                EXPECT_EQ(dialog.m_message.m_nCurLine, 1) << "the message takes two lines";
                EXPECT_EQ(dialog.m_btnCancel.m_dwStyle & SWS_VISIBLE, 0u);
                EXPECT_EQ(dialog.m_btnCancel.m_strText, L"取消");
            });

            // What the user sees, kept beside the build for a look.
            Sleep(200);
            RECT around = WindowRect(window);
            InflateRect(&around, 12, 12);
            const ScreenPixels shot = ScreenPixels::Capture(around);
            EXPECT_TRUE(shot.SavePng("richtext_warn_dialog.png"));
            const auto at = [&](int x, int y) { return shot.At(x + 12, y + 12); };
            EXPECT_EQ(at(0, 0), at(-5, -5)) << "the corner is cut away";
            EXPECT_EQ(at(31, 24), at(200, 24)) << "the hidden Cancel button is drawn";
            int inkedRows = 0;
            for (int y = 70; y < 100; ++y) {
                for (int x = 50; x < 300; ++x) {
                    if (at(x, y) != at(40, y)) {
                        ++inkedRows;
                        break;
                    }
                }
            }
            EXPECT_GT(inkedRows, 12) << "the message is missing";

            // "确定" is centred on its button, in frame 0 until the pointer is over it.
            int left = 350, right = 0, top = 220, bottom = 0;
            for (int y = 174; y < 196; ++y) {
                for (int x = 252; x < 310; ++x) {
                    if ((at(x, y) >> 16) < 150) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
                }
            }
            EXPECT_NEAR((left + right) / 2.0, 281, 1.5) << "caption not centred";
            EXPECT_NEAR((top + bottom) / 2.0, 184.5, 2) << "caption not centred";
            RealMouse mouse(window);
            mouse.MoveTo(281, 184);
            const ScreenPixels hovered = ScreenPixels::Capture(WindowRect(window));
            EXPECT_NE(hovered.At(256, 176), at(256, 176)) << "no hover frame";
            EXPECT_EQ(hovered.At(200, 176), at(200, 176));

            // Presses on the background, on the message and where the hidden Cancel button
            // lies drag the dialog; presses on buttons do not, and releasing off a button
            // clicks nothing.
            const struct {
                const char* what;
                POINT at;
                bool moves;
            } presses[] = {
                {"background", {200, 120}, true},
                {"message text", {60, 77}, true},
                {"hidden Cancel button", {3, 20}, true},
                {"确定 released elsewhere", {281, 184}, false},
                {"close button released elsewhere", {335, 12}, false},
            };
            for (const auto& p : presses) {
                const RECT before = WindowRect(window);
                mouse.Drag(p.at, 40, 30);
                const bool moved =
                    WaitFor([&] { return WindowRect(window).left == before.left + 40; });
                const RECT after = WindowRect(window);
                EXPECT_EQ(moved, p.moves) << p.what;
                if (p.moves) {
                    EXPECT_EQ(after.top, before.top + 30) << p.what;
                    mouse.Drag({200, 120}, -40, -30);
                    WaitFor([&] { return WindowRect(window).left == before.left; });
                }
                EXPECT_TRUE(IsWindow(window)) << p.what << " ended the dialog";
            }

            mouse.MoveTo(281, 184);
            mouse.Press();
            mouse.Release();
        },
        &leftOpen);
    EXPECT_FALSE(leftOpen) << "确定 did not end the dialog";
    EXPECT_EQ(result, IDOK);
}

TEST(WarnDialog, TheCloseButtonEndsWithCancel) {
    ProbeDialog dialog;
    bool leftOpen = false;
    const INT_PTR result = RunDialog(
        dialog,
        [&](HWND window) {
            // A user's press comes after the pointer has reached the button; a hand that sees
            // no hover frame yet moves a little within the button until it does.
            RealMouse mouse(window);
            bool hover = false;
            for (int attempt = 0; attempt < 10 && !hover; ++attempt) {
                mouse.MoveTo(attempt % 2 ? 338 : 332, 12);
                hover = WaitFor(
                    [&] {
                        bool now = false;
                        OnWindowThread(window, [&] { now = dialog.m_btnClose.m_bHover; });
                        return now;
                    },
                    500);
            }
            ASSERT_TRUE(hover) << "the pointer over the close button never hovered it";
            mouse.Press();
            mouse.Release();
        },
        &leftOpen);
    EXPECT_FALSE(leftOpen) << "the close button did not end the dialog";
    EXPECT_EQ(result, IDCANCEL);
}

TEST(WarnDialog, ResizingReshapesAndRelaysButMinimisingDoesNot) {
    ProbeDialog dialog;
    bool leftOpen = false;
    const INT_PTR result = RunDialog(
        dialog,
        [&](HWND window) {
            // Only a plain command 1 or 2 ends the dialog.
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0);
            EXPECT_TRUE(IsWindow(window)) << "a command with a notification code ended it";

            SetWindowPos(window, nullptr, 0, 0, 400, 260, SWP_NOMOVE | SWP_NOZORDER);
            OnWindowThread(window, [&] {
                ExpectShape(window, 400, 260);
                EXPECT_EQ(Describe(dialog.m_btnClose.m_rc), "370,1 - 400,25");
                EXPECT_EQ(Describe(dialog.m_btnOK.m_rc), "250,172 - 312,197");
            });

            SendMessageW(window, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(100, 80));
            OnWindowThread(window, [&] {
                ExpectShape(window, 400, 260);
                EXPECT_EQ(Describe(dialog.m_btnClose.m_rc), "370,1 - 400,25");
            });
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
        },
        &leftOpen);
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(result, IDOK);
}

}  // namespace

namespace {

// The warning dialog noting the most handles its owners hold while its position changes; the
// window sends that change to itself while SetWindowRgn hands a new region over.
class RegionWatchDialog : public ProbeDialog {
public:
    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result, DWORD messageMapId) override {
        if (message == WM_WINDOWPOSCHANGING && m_bWatching)
            m_nPeak = std::max(m_nPeak, gdi::LiveHandles().load());
        return ProbeDialog::ProcessWindowMessage(window, message, wParam, lParam, result,
                                                 messageMapId);
    }

    bool m_bWatching = false;
    long m_nPeak = 0;
};

// The region is counted while the dialog builds it and no longer once the window owns it, on
// every resize.
TEST(WarnDialog, TheWindowRegionIsHeldByAnOwnerUntilTheWindowTakesIt) {
    RegionWatchDialog dialog;
    const INT_PTR result = RunDialog(dialog, [&](HWND window) {
        OnWindowThread(window, [&] {
            const long before = gdi::LiveHandles();
            for (const SIZE size : {SIZE{400, 260}, SIZE{350, 220}, SIZE{420, 240}}) {
                dialog.m_nPeak = before;
                dialog.m_bWatching = true;
                SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                dialog.m_bWatching = false;
                EXPECT_EQ(dialog.m_nPeak, before + 1) << "the region was not held by an owner";
                EXPECT_EQ(gdi::LiveHandles(), before) << "the window's region is still counted";
                ExpectShape(window, size.cx, size.cy);
            }
        });
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    });
    EXPECT_EQ(result, IDOK);
}

// Everything a dialog creates while it runs, hovers and repaints is gone when it has ended:
// counted through the handle owners (the images, loaded once on first use, stay).
TEST(WarnDialog, RunningAgainLeavesNoGdiHandleBehind) {
    const auto exercise = [](HWND window) {
        for (int i = 0; i < 50; ++i) {
            const POINT over = i % 2 ? POINT{281, 184} : POINT{335, 12};
            ::SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    };
    long afterFirst = 0;
    {
        ProbeDialog dialog;
        EXPECT_EQ(RunDialog(dialog, exercise), IDOK);
        afterFirst = gdi::LiveHandles();
    }
    {
        ProbeDialog dialog;
        EXPECT_EQ(RunDialog(dialog, exercise), IDOK);
    }
    EXPECT_EQ(gdi::LiveHandles(), afterFirst);
}

}  // namespace
