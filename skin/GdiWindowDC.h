#pragma once

#include <windows.h>

#include "skin/GdiOwner.h"

namespace gdi {

// A DC borrowed from a window (NULL: the screen) with GetDC, given back with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_hWnd(window), m_hDC(GetDC(window)) {
        if (m_hDC)
            ++LiveHandles();
    }
    ~WindowDC() {
        if (m_hDC) {
            ReleaseDC(m_hWnd, m_hDC);
            --LiveHandles();
        }
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

}  // namespace gdi
