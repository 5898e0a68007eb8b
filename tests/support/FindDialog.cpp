#include "tests/support/FindDialog.h"

#include "tests/support/WaitFor.h"

HWND FindDialog(DWORD threadId, HWND except, const wchar_t* title) {
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", title); w;
             w = FindWindowExW(nullptr, w, L"#32770", title)) {
            if (w != except && GetWindowThreadProcessId(w, nullptr) == threadId &&
                IsWindowVisible(w)) {
                found = w;
                return true;
            }
        }
        return false;
    });
    return found;
}
