// Plays a running first instance: holds the single-instance mutex and a hidden window with the
// main window's title, and answers the messages by which a second instance raises it.
// Prints "READY" once set up. When the window has been shown and moved, prints
// "SHOWN <centre x> <centre y> <work centre x> <work centre y> <topmost 0|1>" and exits 0; when
// that does not happen within the time given, prints "TIMEOUT visible=<0|1> moved=<0|1>" and
// exits 1. Exits 2 when another instance holds the mutex, 3 when the window cannot be made.
// Usage: instance_holder TIMEOUT_MS
#include <windows.h>

#include <cstdio>

#include "app/InstanceMutex.h"
#include "app/Startup.h"
#include "tests/support/OwnedWindow.h"
#include "tests/support/WaitFor.h"

namespace {

constexpr wchar_t kHolderClass[] = L"QuorrinInstanceHolder";
constexpr int kCreatedAtX = 0;
constexpr int kCreatedAtY = 0;

// Set by the move that centres the window, the last step of the raise: once it has arrived the
// window's place is final.
bool g_moved = false;

LRESULT CALLBACK HolderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WINDOWPOSCHANGED) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!(pos->flags & SWP_NOMOVE) && (pos->x != kCreatedAtX || pos->y != kCreatedAtY))
            g_moved = true;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const DWORD timeout = argc > 1 ? static_cast<DWORD>(_wtoi(argv[1])) : 20000;
    const InstanceMutex instance(kInstanceMutexName);
    if (!instance.IsFirstInstance())
        return 2;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = HolderProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kHolderClass;
    RegisterClassW(&windowClass);
    const OwnedWindow window(CreateWindowExW(0, kHolderClass, kMainWindowTitle, WS_POPUP,
                                             kCreatedAtX, kCreatedAtY, 300, 200, nullptr, nullptr,
                                             GetModuleHandleW(nullptr), nullptr));
    if (!window.Get())
        return 3;
    std::printf("READY\n");
    std::fflush(stdout);
    const bool raised = WaitFor(
        [&] {
            PumpMessages();
            return g_moved && IsWindowVisible(window.Get());
        },
        timeout);
    if (!raised) {
        std::printf("TIMEOUT visible=%d moved=%d\n", IsWindowVisible(window.Get()) ? 1 : 0,
                    g_moved ? 1 : 0);
        return 1;
    }
    RECT rc;
    GetWindowRect(window.Get(), &rc);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window.Get(), MONITOR_DEFAULTTONEAREST), &info);
    const bool topmost = (GetWindowLongW(window.Get(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    std::printf("SHOWN %ld %ld %ld %ld %d\n", (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2,
                (info.rcWork.left + info.rcWork.right) / 2,
                (info.rcWork.top + info.rcWork.bottom) / 2, topmost ? 1 : 0);
    return 0;
}
