// Owns a window made with CreateWindowExW; destroyed with its owner, on the thread that made it.
#pragma once

#include <windows.h>

class OwnedWindow {
public:
    explicit OwnedWindow(HWND window) : m_hWnd(window) {}
    ~OwnedWindow() {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
    }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;

    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd;
};
