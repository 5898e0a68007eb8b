#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/CSomButton4.h"
#include "skin/GdiHandle.h"
#include "tests/skin/ProbeWnd.h"
#include "tests/skin/SkinHostWindow.h"

namespace {

constexpr COLORREF kRed = RGB(220, 20, 20);
constexpr COLORREF kBlue = RGB(20, 20, 220);

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool HasUpdateRegion(HWND window) {
    return GetUpdateRect(window, nullptr, FALSE) != FALSE;
}

// Two overlapping controls, the first added on top: A covers (10,10)-(60,60), B (40,40)-(90,90).
struct Overlap {
    SkinHostWindow host{200, 120};
    ProbeWnd a{kRed};
    ProbeWnd b{kBlue};
    Overlap(DWORD styleA, DWORD styleB) {
        host.Add(a, styleA, 1, 10, 10, 50, 50);
        host.Add(b, styleB, 2, 40, 40, 50, 50);
    }
};

}  // namespace

TEST(SkinManager, ClickGoesToTopmostEnabledVisibleControlOrToTheOwner) {
    struct Case {
        const char* name;
        DWORD styleA;
        DWORD styleB;
        POINT pt;
        const wchar_t* logA;
        const wchar_t* logB;
        int ownerClicks;
    };
    const DWORD v = SWS_VISIBLE;
    const Case cases[] = {
        {"overlap: first added wins", v, v, {45, 45}, L"down 35,35;", L"", 0},
        {"only B there", v, v, {80, 80}, L"", L"down 40,40;", 0},
        {"disabled A falls through to B", v | SWS_DISABLED, v, {45, 45}, L"", L"down 5,5;", 0},
        {"hidden A falls through to B", 0, v, {45, 45}, L"", L"down 5,5;", 0},
        {"disabled alone: owner drags", v | SWS_DISABLED, v, {15, 15}, L"", L"", 1},
        {"right and bottom edges are outside", v, v, {90, 50}, L"", L"", 1},
        {"left and top edges are inside", v, v, {10, 10}, L"down 0,0;", L"", 0},
        {"nothing there", v, v, {150, 100}, L"", L"", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Overlap o(c.styleA, c.styleB);
        ::SendMessageW(o.host.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.pt.x, c.pt.y));
        EXPECT_EQ(o.a.m_log, c.logA);
        EXPECT_EQ(o.b.m_log, c.logB);
        EXPECT_EQ(o.host.m_ownerClicks, c.ownerClicks);
    }
}

TEST(SkinManager, UnhandledClickOnAControlStillReachesTheOwner) {
    SkinHostWindow host(200, 120);
    ProbeWnd picture(kRed, FALSE);
    host.Add(picture, SWS_VISIBLE, 1, 10, 10, 50, 50);
    host.ButtonDown(20, 20);
    EXPECT_EQ(host.m_ownerClicks, 1);
}

TEST(SkinManager, FirstAddedIsOnTopAndBackgroundOnlyFillsUncoveredPixels) {
    Overlap o(SWS_VISIBLE, SWS_VISIBLE | SWS_TRANSPARENT);
    const auto pixels = o.host.Print();
    struct Case {
        int x, y;
        COLORREF expected;
    } cases[] = {
        {45, 45, kRed},                         // overlap: A on top
        {20, 20, kRed},                         // A alone
        {65, 65, kBlue},                        // B's painted centre
        {85, 85, SkinHostWindow::kBackground},  // B's transparent rim shows the background
        {150, 100, SkinHostWindow::kBackground},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(PixelColor(o.host.At(pixels, c.x, c.y)), c.expected);
    }
}

// Printing draws into the caller's DC and gives it back with the clipping it came with, none or
// the caller's own, whatever the controls excluded while drawing.
TEST(SkinManager, PrintingLeavesTheCallersClippingAsItWas) {
    Overlap o(SWS_VISIBLE, SWS_VISIBLE | SWS_TRANSPARENT);
    gdi::WindowDC screen(o.host.Handle());
    for (const bool callerClips : {false, true}) {
        SCOPED_TRACE(callerClips ? "caller's clip region" : "no clip region");
        gdi::MemoryDC dc(CreateCompatibleDC(screen.Get()));
        gdi::Bitmap target(CreateCompatibleBitmap(screen.Get(), 200, 120));
        gdi::SelectedObject selected(dc.Get(), target.Get());
        const gdi::Region callers(CreateRectRgn(5, 5, 150, 100));
        if (callerClips)
            SelectClipRgn(dc.Get(), callers.Get());

        ::SendMessageW(o.host.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()),
                       PRF_CLIENT);

        const gdi::Region after(CreateRectRgn(0, 0, 0, 0));
        const int clipped = GetClipRgn(dc.Get(), after.Get());
        EXPECT_EQ(clipped, callerClips ? 1 : 0);
        if (callerClips && clipped == 1) {
            EXPECT_TRUE(EqualRgn(after.Get(), callers.Get()));
        }
    }
}

TEST(SkinManager, HidingATransparentControlRepaintsTheBackgroundAtOnce) {
    SkinHostWindow host(200, 120);
    ProbeWnd probe(kRed);
    host.Add(probe, SWS_VISIBLE | SWS_TRANSPARENT, 1, 20, 20, 40, 40);
    Pump();
    ASSERT_EQ(PixelColor(host.At(host.Screen(), 40, 40)), kRed);

    host.ShowWnd(&probe, FALSE);
    EXPECT_EQ(PixelColor(host.At(host.Screen(), 40, 40)), SkinHostWindow::kBackground);
    EXPECT_FALSE(HasUpdateRegion(host.Handle()));

    const int paints = probe.m_paints;
    host.ShowWnd(&probe, TRUE);
    EXPECT_EQ(probe.m_paints, paints + 1);
    EXPECT_EQ(PixelColor(host.At(host.Screen(), 40, 40)), kRed);
}

TEST(SkinManager, LockedAndRedrawOffModes) {
    SkinHostWindow host(200, 120);
    ProbeWnd probe(kRed);
    host.Add(probe, SWS_VISIBLE, 1, 20, 20, 40, 40);
    Pump();
    ValidateRect(host.Handle(), nullptr);
    const int paints = probe.m_paints;

    host.LockUpdate();
    host.RedrawWnd(&probe, nullptr, FALSE, 0);
    EXPECT_EQ(probe.m_paints, paints) << "locked: only invalidated";
    RECT update{};
    ASSERT_TRUE(GetUpdateRect(host.Handle(), &update, FALSE));
    EXPECT_TRUE(EqualRect(&update, &probe.m_rc));
    host.UnlockUpdate();
    EXPECT_EQ(probe.m_paints, paints + 1) << "unlocking updates the window once";
    EXPECT_FALSE(HasUpdateRegion(host.Handle()));

    ::SendMessageW(host.Handle(), WM_SETREDRAW, FALSE, 0);
    host.RedrawWnd(&probe, nullptr, FALSE, 0);
    EXPECT_EQ(probe.m_paints, paints + 1) << "painting disabled";
    EXPECT_FALSE(HasUpdateRegion(host.Handle()));
    ::SendMessageW(host.Handle(), WM_SETREDRAW, TRUE, 0);
    host.RedrawWnd(&probe, nullptr, FALSE, 0);
    EXPECT_EQ(probe.m_paints, paints + 2);
}

TEST(SkinManager, GeometryCallsOnlyWhatChanged) {
    SkinHostWindow host(200, 120);
    ProbeWnd probe(kRed);
    host.Add(probe, SWS_VISIBLE, 1, 20, 20, 40, 40);
    Pump();
    ValidateRect(host.Handle(), nullptr);
    probe.m_geometry.clear();

    host.MoveWnd(&probe, 20, 20, 40, 40);
    host.SizeWnd(&probe, 40, 40);
    host.SetWndPos(&probe, 20, 20);
    EXPECT_EQ(probe.m_geometry, L"");
    EXPECT_FALSE(HasUpdateRegion(host.Handle()));

    host.LockUpdate();
    host.MoveWnd(&probe, 30, 20, 10, 40);
    EXPECT_EQ(probe.m_geometry, L"move;size;");
    RECT update{};
    GetUpdateRect(host.Handle(), &update, FALSE);
    const RECT both{20, 20, 60, 60};
    EXPECT_TRUE(EqualRect(&update, &both)) << "old and new rectangles invalidated";
    host.UnlockUpdate();
    const RECT moved{30, 20, 40, 60};
    EXPECT_TRUE(EqualRect(&probe.m_rc, &moved));
}

TEST(SkinManager, PartRedrawIsClippedToThePart) {
    SkinHostWindow host(200, 120);
    ProbeWnd probe(kRed);
    host.Add(probe, SWS_VISIBLE, 1, 20, 20, 40, 40);
    Pump();
    probe.m_color = kBlue;
    const RECT part{0, 0, 10, 10};
    host.RedrawWnd(&probe, &part, FALSE, 1);
    const auto screen = host.Screen();
    EXPECT_EQ(PixelColor(host.At(screen, 25, 25)), kBlue);
    EXPECT_EQ(PixelColor(host.At(screen, 45, 45)), kRed);
    const RECT outside{50, 50, 60, 60};
    const int paints = probe.m_paints;
    host.RedrawWnd(&probe, &outside, FALSE, 1);
    EXPECT_EQ(probe.m_paints, paints) << "a part outside the control draws nothing";
}

// Drives a four-state button through a sequence of mouse messages over a 40x20 button at
// (20, 20); points at x >= 100 are off the button but inside the window.
TEST(SkinManager, ButtonClickAndDragSequences) {
    struct Case {
        const char* name;
        const char* steps;  // d: down on, u: up on, U: up off, o: move off, n: move on, 2: dblclk
        size_t commands;
        bool hover;
        bool pressed;
        int frame;
    };
    const Case cases[] = {
        {"click", "du", 1, true, false, 1},
        {"pressed shows frame 2", "d", 0, true, true, 2},
        {"drag off shows normal frame", "do", 0, false, true, 0},
        {"drag off and release sends nothing", "doU", 0, false, false, 0},
        {"drag off and back sends the command", "donu", 1, true, false, 1},
        {"double click sends two commands", "du2u", 2, true, false, 1},
        {"hover then leave", "no", 0, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SkinHostWindow host(200, 120);
        CSomButton4 button;
        host.Add(button, SWS_VISIBLE, 77, 20, 20, 40, 20);
        for (const char* s = c.steps; *s; ++s) {
            switch (*s) {
                case 'd':
                    host.ButtonDown(30, 25);
                    break;
                case 'u':
                    host.ButtonUp(30, 25);
                    break;
                case 'U':
                    host.ButtonUp(150, 25);
                    break;
                case 'o':
                    host.MouseMove(150, 25);
                    break;
                case 'n':
                    host.MouseMove(30, 25);
                    break;
                case '2':
                    ::SendMessageW(host.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(30, 25));
                    break;
            }
        }
        EXPECT_EQ(host.m_commands.size(), c.commands);
        for (size_t i = 0; i < host.m_commands.size(); ++i) {
            EXPECT_EQ(host.m_commands[i], MAKEWPARAM(77, 0));
            EXPECT_EQ(host.m_commandSenders[i], reinterpret_cast<LPARAM>(&button));
        }
        EXPECT_EQ(button.m_bHover, c.hover);
        EXPECT_EQ(button.m_bPressed, c.pressed);
        EXPECT_EQ(button.State(), c.frame);
        EXPECT_EQ(GetCapture() == host.Handle(), c.pressed);
        host.ReleaseCapture(&button);
    }
}

TEST(SkinManager, NoOtherControlGetsHoverWhileTheCaptureLasts) {
    SkinHostWindow host(200, 120);
    ProbeWnd a(kRed);
    ProbeWnd b(kBlue);
    host.Add(a, SWS_VISIBLE, 1, 10, 10, 30, 30);
    host.Add(b, SWS_VISIBLE, 2, 100, 10, 30, 30);
    host.ButtonDown(20, 20);
    host.SetCapture(&a);
    host.MouseMove(110, 20);
    host.MouseMove(20, 20);
    EXPECT_EQ(a.m_log, L"enter;down 10,10;leave;enter;");
    EXPECT_EQ(b.m_log, L"");
    host.ReleaseCapture(&a);
    EXPECT_EQ(a.m_log, L"enter;down 10,10;leave;enter;capture-changed;");
    EXPECT_EQ(host.m_pCapture, nullptr);
    host.MouseMove(110, 20);
    EXPECT_EQ(b.m_log, L"enter;");
}

TEST(SkinManager, DisabledWhileCapturedStillCompletesTheClick) {
    SkinHostWindow host(200, 120);
    CSomButton4 button;
    host.Add(button, SWS_VISIBLE, 5, 20, 20, 40, 20);
    host.ButtonDown(30, 25);
    button.m_dwStyle |= SWS_DISABLED;
    EXPECT_EQ(button.State(), 3);
    host.ButtonUp(30, 25);
    EXPECT_EQ(host.m_commands.size(), 1u);
}

TEST(SkinManager, TimerClearsHoverWhenThePointerLeftTheWindow) {
    SkinHostWindow host(200, 120);
    ProbeWnd probe(kRed);
    host.Add(probe, SWS_VISIBLE, 1, 10, 10, 30, 30);
    POINT inside{20, 20};
    ClientToScreen(host.Handle(), &inside);
    SetCursorPos(inside.x, inside.y);
    host.MouseMove(20, 20);
    host.HoverTimer();
    EXPECT_EQ(host.m_pHover, &probe) << "pointer still over the window";

    SetCursorPos(inside.x + 400, inside.y + 400);
    host.HoverTimer();
    EXPECT_EQ(host.m_pHover, nullptr);
    EXPECT_EQ(probe.m_log, L"enter;leave;");
    EXPECT_EQ(probe.m_timers, 2) << "every control gets the tick";
}

TEST(SkinManager, TooltipIdsAreSmallestFreeAndReused) {
    SkinHostWindow host(200, 120);
    ProbeWnd a(kRed);
    ProbeWnd b(kBlue);
    host.Add(a, SWS_VISIBLE, 1, 10, 10, 30, 30);
    host.Add(b, SWS_VISIBLE, 2, 100, 10, 30, 30);
    const RECT part{1, 2, 3, 4};
    EXPECT_EQ(host.AddToolTip(&a, 1, nullptr), 1u);
    EXPECT_EQ(host.AddToolTip(&a, 2, &part), 2u);
    EXPECT_EQ(host.AddToolTip(&a, 1, nullptr), 0u) << "same part twice";
    EXPECT_EQ(host.AddToolTip(&b, 1, nullptr), 3u);
    EXPECT_EQ(host.m_tools.at(1).rect.left, CSomToolTipAdpater::kWholeControl);
    EXPECT_TRUE(EqualRect(&host.m_tools.at(2).rect, &part));
    host.RemoveToolTips(&a);
    EXPECT_EQ(host.AddToolTip(&b, 2, nullptr), 1u);
    EXPECT_EQ(host.AddToolTip(&a, 7, nullptr), 2u);
    EXPECT_EQ(host.AddToolTip(&a, 8, nullptr), 4u);

    NMTTDISPINFOW info{};
    info.hdr.code = TTN_GETDISPINFOW;
    info.hdr.idFrom = 2;
    LRESULT result = -1;
    EXPECT_TRUE(host.ProcessWindowMessage(host.Handle(), WM_NOTIFY, 0,
                                          reinterpret_cast<LPARAM>(&info), result, 0));
    EXPECT_EQ(a.m_log, L"tip 7;");
    info.hdr.idFrom = 99;
    EXPECT_TRUE(host.ProcessWindowMessage(host.Handle(), WM_NOTIFY, 0,
                                          reinterpret_cast<LPARAM>(&info), result, 0));
    info.uFlags = TTF_IDISHWND;
    info.hdr.idFrom = 2;
    EXPECT_FALSE(host.ProcessWindowMessage(host.Handle(), WM_NOTIFY, 0,
                                           reinterpret_cast<LPARAM>(&info), result, 0));
    EXPECT_EQ(a.m_log, L"tip 7;") << "unknown id and window tools reach no control";
}

// A tooltip control of the owner learns every tool with its rectangle in window coordinates and
// asks the control behind a tool for its text.
TEST(SkinManager, TheOwnersTooltipControlKnowsEveryToolAndAsksItsControlForText) {
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    SkinHostWindow host(200, 120);
    struct ToolTipWindow {
        HWND handle;
        ~ToolTipWindow() { DestroyWindow(handle); }
    } tip{CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                          0, 0, host.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr)};
    ASSERT_NE(tip.handle, nullptr);
    host.m_hToolTip = tip.handle;
    host.m_hToolOwner = host.Handle();
    ProbeWnd probe(kRed);
    host.Add(probe, SWS_VISIBLE, 1, 10, 10, 30, 30);
    const RECT part{2, 3, 12, 13};
    ASSERT_EQ(host.AddToolTip(&probe, 4, &part), 1u);
    EXPECT_EQ(::SendMessageW(tip.handle, TTM_GETTOOLCOUNT, 0, 0), 1);

    wchar_t text[80] = L"";
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = host.Handle();
    info.uId = 1;
    info.lpszText = text;
    ASSERT_TRUE(::SendMessageW(tip.handle, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)));
    const RECT inWindow{12, 13, 22, 23};
    EXPECT_TRUE(EqualRect(&info.rect, &inWindow));
    EXPECT_EQ(info.lpszText, LPSTR_TEXTCALLBACKW) << "the tool lost its text callback";
    info.lpszText = text;
    ::SendMessageW(tip.handle, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(probe.m_log, L"tip 4;");

    host.RemoveToolTips(&probe);
    EXPECT_EQ(::SendMessageW(tip.handle, TTM_GETTOOLCOUNT, 0, 0), 0);
}

TEST(SkinManager, DestroyDetachesEveryControlAndEndsHoverAndCapture) {
    SkinHostWindow host(200, 120);
    ProbeWnd a(kRed);
    ProbeWnd b(kBlue);
    host.Add(a, SWS_VISIBLE, 1, 10, 10, 30, 30);
    host.Add(b, SWS_VISIBLE, 2, 100, 10, 30, 30);
    host.AddToolTip(&a, 1, nullptr);
    host.MouseMove(20, 20);
    host.SetCapture(&b);
    host.LockUpdate();
    a.m_log.clear();
    b.m_log.clear();
    host.Destroy();
    EXPECT_EQ(a.m_log, L"leave;destroy;");
    EXPECT_EQ(b.m_log, L"capture-changed;destroy;");
    for (const ProbeWnd* w : {&a, &b}) {
        EXPECT_EQ(w->m_dwStyle, 0u);
        EXPECT_EQ(w->m_nID, 0u);
        EXPECT_TRUE(IsRectEmpty(&w->m_rc) && w->m_rc.left == 0 && w->m_rc.top == 0);
        EXPECT_EQ(w->m_pManager, nullptr);
    }
    EXPECT_TRUE(host.m_wnds.empty());
    EXPECT_EQ(host.m_hWnd, nullptr);
    EXPECT_TRUE(host.m_bImmediate);
    EXPECT_EQ(host.m_pHover, nullptr);
    EXPECT_EQ(host.m_pCapture, nullptr);
    EXPECT_EQ(host.m_tools.size(), 1u) << "the tooltip registry is kept";
}

TEST(SkinManager, RemovingTheCapturingControlEndsItsClickWithoutCommand) {
    SkinHostWindow host(200, 120);
    CSomButton4 button;
    ProbeWnd other(kRed);
    host.Add(button, SWS_VISIBLE, 5, 20, 20, 40, 20);
    host.Add(other, SWS_VISIBLE, 6, 100, 20, 40, 20);
    host.ButtonDown(30, 25);
    host.MouseMove(150, 25);
    EXPECT_TRUE(host.RemoveWnd(&button));
    EXPECT_FALSE(button.m_bPressed);
    EXPECT_EQ(host.m_pCapture, nullptr);
    EXPECT_TRUE(host.m_commands.empty());
    EXPECT_FALSE(host.RemoveWnd(&button));
    ASSERT_EQ(host.m_wnds.size(), 1u);
    EXPECT_EQ(host.m_wnds[0], &other);
}

TEST(SkinManager, ACaptureTakenByAnotherWindowCancelsThePressWithoutCommand) {
    SkinHostWindow host(200, 120);
    SkinHostWindow thief(50, 50);
    CSomButton4 button;
    host.Add(button, SWS_VISIBLE, 5, 20, 20, 40, 20);
    host.ButtonDown(30, 25);
    ASSERT_TRUE(button.m_bPressed);
    ::SetCapture(thief.Handle());
    EXPECT_FALSE(button.m_bPressed);
    EXPECT_EQ(host.m_pCapture, nullptr);
    EXPECT_TRUE(host.m_commands.empty()) << "no release happened over the button";
    ::ReleaseCapture();
    host.ButtonUp(30, 25);
    EXPECT_TRUE(host.m_commands.empty()) << "a later release ends nothing";

    host.ButtonDown(30, 25);
    host.ButtonUp(30, 25);
    ASSERT_EQ(host.m_commands.size(), 1u) << "a real click still works";
    EXPECT_EQ(LOWORD(host.m_commands[0]), 5);
}

TEST(SkinManager, ACommandThatDestroysTheWindowEndsTheClickSafely) {
    SkinHostWindow host(200, 120);
    CSomButton4 button;
    host.Add(button, SWS_VISIBLE, 5, 20, 20, 40, 20);
    host.m_destroyOnCommand = true;
    const HWND window = host.Handle();
    host.ButtonDown(30, 25);
    host.ButtonUp(30, 25);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(host.m_commands.size(), 1u);
    EXPECT_EQ(button.m_pManager, nullptr);
    EXPECT_FALSE(button.m_bPressed);
}

// Whichever way the window is painted, the DC it paints on is held by an owner while the
// controls draw, so that one never given back would show in the count.
TEST(SkinManager, EveryPaintHoldsItsDCThroughAnOwner) {
    SkinHostWindow host(200, 120);
    ProbeWnd probe(kRed);
    host.Add(probe, SWS_VISIBLE, 1, 20, 20, 40, 40);
    Pump();
    const struct {
        const char* name;
        std::function<void()> paint;
    } cases[] = {
        {"WM_PAINT",
         [&] {
             InvalidateRect(host.Handle(), nullptr, FALSE);
             UpdateWindow(host.Handle());
         }},
        {"immediate redraw", [&] { host.RedrawWnd(&probe, nullptr, FALSE, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const long before = gdi::LiveHandles();
        const int paints = probe.m_paints;
        c.paint();
        ASSERT_EQ(probe.m_paints, paints + 1);
        EXPECT_EQ(probe.m_handlesAtPaint, before + 1);
        EXPECT_EQ(gdi::LiveHandles(), before);
    }
}

TEST(SkinManager, NoHandleLeftAfterManyRepaintsHoversAndADestroy) {
    const long before = gdi::LiveHandles();
    {
        SkinHostWindow host(200, 120);
        ProbeWnd opaque(kRed);
        ProbeWnd transparent(kBlue);
        CSomButton4 button;
        host.Add(opaque, SWS_VISIBLE, 1, 10, 10, 30, 30);
        host.Add(transparent, SWS_VISIBLE | SWS_TRANSPARENT, 2, 50, 10, 30, 30);
        host.Add(button, SWS_VISIBLE, 3, 100, 10, 40, 20);
        for (int i = 0; i < 1000; ++i) {
            host.MouseMove(20, 20);
            host.MouseMove(110, 15);
            host.MouseMove(60, 20);
            host.RedrawWnd(&transparent, nullptr, FALSE, 0);
            InvalidateRect(host.Handle(), nullptr, FALSE);
            UpdateWindow(host.Handle());
        }
        host.Print();
        EXPECT_EQ(gdi::LiveHandles(), before);
    }
    EXPECT_EQ(gdi::LiveHandles(), before);
}

TEST(SkinManager, ControlsPlacedBeforeTheWindowExistsTouchNoOtherWindow) {
    SkinHostWindow bystander(200, 120);
    Pump();
    ValidateRect(bystander.Handle(), nullptr);

    struct Owner : CSomWndManager {
    } early;
    ProbeWnd probe(kRed);
    probe.m_pManager = &early;
    probe.m_dwStyle = SWS_VISIBLE | SWS_TRANSPARENT;
    early.AddWnd(&probe);
    early.MoveWnd(&probe, 10, 10, 30, 30);
    early.SetWndPos(&probe, 20, 20);
    early.SizeWnd(&probe, 40, 40);
    early.RedrawWnd(&probe, nullptr, TRUE, 0);
    early.LockUpdate();
    early.RedrawWnd(&probe, nullptr, TRUE, 0);
    early.UnlockUpdate();

    EXPECT_EQ(probe.m_paints, 0);
    EXPECT_FALSE(HasUpdateRegion(bystander.Handle()));
    const RECT placed{20, 20, 60, 60};
    EXPECT_TRUE(EqualRect(&probe.m_rc, &placed));
}
