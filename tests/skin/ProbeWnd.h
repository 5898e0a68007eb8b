// A control that records what the manager asks of it and paints one colour, over its whole
// rectangle or, when transparent, over an inner square only.
#pragma once

#include <string>

#include "skin/CSomWnd.h"
#include "skin/GdiHandle.h"

class ProbeWnd : public CSomWnd {
public:
    explicit ProbeWnd(COLORREF color, BOOL handlesClicks = TRUE)
        : m_color(color), m_handlesClicks(handlesClicks) {}

    void OnPaint(HDC dc, int, int) override {
        ++m_paints;
        m_handlesAtPaint = gdi::LiveHandles();
        gdi::Brush brush(CreateSolidBrush(m_color));
        RECT rc{0, 0, m_rc.right - m_rc.left, m_rc.bottom - m_rc.top};
        if (m_dwStyle & SWS_TRANSPARENT)
            InflateRect(&rc, -(rc.right / 4), -(rc.bottom / 4));
        FillRect(dc, &rc, brush.Get());
    }
    void OnMove(int, int) override { m_geometry += L"move;"; }
    void OnSize(int, int) override { m_geometry += L"size;"; }
    void OnCaptureChanged() override { m_log += L"capture-changed;"; }
    BOOL OnLButtonDown(const POINT& pt) override {
        m_log += L"down " + std::to_wstring(pt.x) + L"," + std::to_wstring(pt.y) + L";";
        return m_handlesClicks;
    }
    BOOL OnLButtonUp(const POINT&) override {
        m_log += L"up;";
        return m_handlesClicks;
    }
    void OnMouseEnter(const POINT&) override { m_log += L"enter;"; }
    void OnMouseLeave() override { m_log += L"leave;"; }
    void OnTimer() override { ++m_timers; }
    void OnDestroy() override { m_log += L"destroy;"; }
    void OnToolTipText(UINT part, NMTTDISPINFOW*) override {
        m_log += L"tip " + std::to_wstring(part) + L";";
    }

    COLORREF m_color;
    BOOL m_handlesClicks;
    int m_paints = 0;
    long m_handlesAtPaint = 0;  // held by all owners when the last paint began
    int m_timers = 0;
    std::wstring m_log;
    std::wstring m_geometry;
};
