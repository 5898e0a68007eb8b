#pragma once

#include <windows.h>

#include "skin/GdiOwner.h"

namespace gdi {

// The DC of one WM_PAINT, taken with BeginPaint and given back with EndPaint, which validates
// what BeginPaint found invalid.
class PaintDC {
public:
    explicit PaintDC(HWND window) : m_hWnd(window), m_hDC(BeginPaint(window, &m_ps)) {
        if (m_hDC)
            ++LiveHandles();
    }
    ~PaintDC() {
        if (m_hDC) {
            EndPaint(m_hWnd, &m_ps);
            --LiveHandles();
        }
    }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

    HDC Get() const { return m_hDC; }
    // The part to repaint, in client coordinates.
    const RECT& PaintRect() const { return m_ps.rcPaint; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_hDC;
};

}  // namespace gdi
