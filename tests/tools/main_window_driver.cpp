// Drives the real program's main window from outside, as a user would, for the tests that run
// Quorrin.exe. Runs its steps in order and stops at the first that fails (exit code 1).
// Usage: main_window_driver STEP...
//   wait-shown MS       until the main window is visible; prints "SHOWN <x> <y> <cx> <cy>"
//   click X Y           a real left click at client point (X, Y)
//   wait-hidden MS      until the main window exists but is hidden
//   command ID          posts WM_COMMAND ID to the window (the tray menu's commands)
//   wait-gone MS        until no main window exists
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "tests/support/RealMouse.h"
#include "tests/support/WaitFor.h"

namespace {

constexpr wchar_t kTitle[] = L"Quorrin一键装机";

HWND MainWindow() {
    return FindWindowW(L"#32770", kTitle);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        const wchar_t* step = argv[i];
        const auto number = [&](int at) { return i + at < argc ? _wtoi(argv[i + at]) : 0; };
        bool ok = false;
        if (wcscmp(step, L"wait-shown") == 0) {
            ok = WaitFor([] { return IsWindowVisible(MainWindow()) != FALSE; },
                         static_cast<DWORD>(number(1)));
            if (ok) {
                RECT rc{};
                GetWindowRect(MainWindow(), &rc);
                std::printf("SHOWN %ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left,
                            rc.bottom - rc.top);
            }
            i += 1;
        } else if (wcscmp(step, L"click") == 0) {
            const HWND window = MainWindow();
            ok = window != nullptr;
            if (ok)
                RealMouse(window).Click(number(1), number(2));
            i += 2;
        } else if (wcscmp(step, L"wait-hidden") == 0) {
            ok = WaitFor(
                [] {
                    const HWND window = MainWindow();
                    return window && !IsWindowVisible(window);
                },
                static_cast<DWORD>(number(1)));
            i += 1;
        } else if (wcscmp(step, L"command") == 0) {
            ok = PostMessageW(MainWindow(), WM_COMMAND, static_cast<WPARAM>(number(1)), 0) != FALSE;
            i += 1;
        } else if (wcscmp(step, L"wait-gone") == 0) {
            ok = WaitFor([] { return MainWindow() == nullptr; }, static_cast<DWORD>(number(1)));
            i += 1;
        }
        std::printf("%ls %s\n", step, ok ? "OK" : "FAILED");
        std::fflush(stdout);
        if (!ok)
            return 1;
    }
    return 0;
}
