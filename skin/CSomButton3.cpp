#include "skin/CSomButton3.h"

#include "skin/ButtonPress.h"
#include "skin/CSomBitmap.h"
#include "skin/ISomWndManager.h"

int CSomButton3::State() const {
    if (m_dwStyle & SWS_DISABLED)
        return 3;
    if (m_bHover && m_bPressed)
        return 2;
    return m_bHover ? 1 : 0;
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
    return ButtonPress::Down(*this, m_bPressed);
}

BOOL CSomButton3::OnLButtonDblClk(const POINT&) {
    return ButtonPress::Down(*this, m_bPressed);
}

BOOL CSomButton3::OnLButtonUp(const POINT&) {
    return ButtonPress::Up(*this, m_bPressed, m_bHover);
}

void CSomButton3::OnCaptureChanged() {
    ButtonPress::CaptureChanged(*this, m_bPressed);
}

void CSomButton3::OnMouseEnter(const POINT&) {
    ButtonPress::SetHover(*this, m_bHover, true);
}

void CSomButton3::OnMouseLeave() {
    ButtonPress::SetHover(*this, m_bHover, false);
}
