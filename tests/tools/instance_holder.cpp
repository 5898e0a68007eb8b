// Plays a running first instance: holds the single-instance mutex and a hidden window with the
// main window's title, then waits for a second instance to show it.
// Prints "READY" once set up, then "SHOWN <centre x> <centre y> <work centre x> <work centre y>"
// and exits 0 when the window became visible within the time given; exits 1 otherwise.
// Usage: instance_holder TIMEOUT_MS
#include <windows.h>

#include <cstdio>

#include "app/Startup.h"

int wmain(int argc, wchar_t** argv) {
    const DWORD timeout = argc > 1 ? static_cast<DWORD>(_wtoi(argv[1])) : 20000;
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kInstanceMutexName);
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS)
        return 2;
    HWND window = CreateWindowExW(0, L"STATIC", kMainWindowTitle, WS_POPUP, 0, 0, 300, 200, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    std::printf("READY\n");
    std::fflush(stdout);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (IsWindowVisible(window)) {
            // The second instance positions this window through messages to this thread:
            // keep answering them until it is done.
            const DWORD shown = GetTickCount();
            while (GetTickCount() - shown < 1000) {
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageW(&msg);
                Sleep(10);
            }
            RECT rc;
            GetWindowRect(window, &rc);
            MONITORINFO info{};
            info.cbSize = sizeof info;
            GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
            std::printf("SHOWN %ld %ld %ld %ld\n", (rc.left + rc.right) / 2,
                        (rc.top + rc.bottom) / 2, (info.rcWork.left + info.rcWork.right) / 2,
                        (info.rcWork.top + info.rcWork.bottom) / 2);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}
