// Hands work from a driving thread to a modal dialog's own thread, where its state may be read
// and changed, inside its modal loop.
#pragma once

#include <windows.h>

#include <functional>

constexpr UINT kRunOnWindowThread = WM_APP + 23;

// Dialog with one addition for tests: kRunOnWindowThread runs the work it carries.
template <class Dialog>
class WindowThreadProbe : public Dialog {
public:
    using Dialog::Dialog;

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result, DWORD messageMapId) override {
        if (message == kRunOnWindowThread) {
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            result = 0;
            return TRUE;
        }
        return Dialog::ProcessWindowMessage(window, message, wParam, lParam, result, messageMapId);
    }
};

// Runs `work` on `window`'s thread and returns when it is done.
inline void OnWindowThread(HWND window, const std::function<void()>& work) {
    SendMessageW(window, kRunOnWindowThread, 0, reinterpret_cast<LPARAM>(&work));
}
