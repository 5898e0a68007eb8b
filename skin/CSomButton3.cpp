#include "skin/CSomButton3.h"

#include "skin/CSomBitmap.h"
#include "skin/ISomWndManager.h"

int CSomButton3::State() const {
    if (m_dwStyle & SWS_DISABLED)
        return 3;
    if (m_bHover && m_bPressed)
        return 2;
    return m_bHover ? 1 : 0;
}

void CSomButton3::Redraw() {
    if (m_pManager)
        m_pManager->RedrawWnd(this, nullptr, FALSE, 0);
}

void CSomButton3::OnCreate() {
    m_dwStyle |= SWS_TRANSPARENT;
    m_bHover = false;
    m_bPressed = false;
    if (!m_pBack)
        return;
    m_pBack->EnsureLoaded();
    if (m_pBack->m_cxFrame != 0 && (m_dwStyle & SWS_AUTOSIZE) && m_pManager)
        m_pManager->SizeWnd(this, m_pBack->m_cxFrame, m_pBack->m_cy);
}

void CSomButton3::OnPaint(HDC dc, int, int) {
    if (m_pBack)
        m_pBack->DrawFrame(dc, 0, 0, State());
    if (m_pIcon) {
        m_pIcon->EnsureLoaded();
        const int width = m_rc.right - m_rc.left;
        const int height = m_rc.bottom - m_rc.top;
        m_pIcon->DrawFrame(dc, (width - m_pIcon->m_cxFrame) / 2, (height - m_pIcon->m_cy) / 2,
                           m_nIconFrame);
    }
}
BOOL CSomButton3::OnLButtonDown(const POINT&) {
    if (!m_bPressed) {
        m_bPressed = true;
        Redraw();
        if (m_pManager)
            m_pManager->SetCapture(this);
    }
    return TRUE;
}

BOOL CSomButton3::OnLButtonDblClk(const POINT& pt) {
    return OnLButtonDown(pt);
}

BOOL CSomButton3::OnLButtonUp(const POINT&) {
    if (m_bPressed && m_pManager)
        m_pManager->ReleaseCapture(this);
    return TRUE;
}

void CSomButton3::OnCaptureChanged() {
    if (!m_bPressed)
        return;
    m_bPressed = false;
    Redraw();
    // The command may destroy the window and this control with it: nothing is touched after.
    if (m_bHover && m_pManager)
        m_pManager->SendCommand(this, 0, static_cast<WORD>(m_nID));
}

void CSomButton3::OnMouseEnter(const POINT&) {
    if (m_bHover)
        return;
    m_bHover = true;
    Redraw();
}

void CSomButton3::OnMouseLeave() {
    if (!m_bHover)
        return;
    m_bHover = false;
    Redraw();
}
