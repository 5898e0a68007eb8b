#include "skin/CSomPushButton.h"

#include "skin/ISomWndManager.h"

int CSomPushButton::State() const {
    if (m_dwStyle & SWS_DISABLED)
        return 3;
    if (m_bHover && m_bPressed)
        return 2;
    return m_bHover ? 1 : 0;
}

void CSomPushButton::Redraw() {
    if (m_pManager)
        m_pManager->RedrawWnd(this, nullptr, FALSE, 0);
}

void CSomPushButton::OnCreate() {
    m_dwStyle |= SWS_TRANSPARENT;
    m_bHover = false;
    m_bPressed = false;
}

BOOL CSomPushButton::Press() {
    if (!m_bPressed) {
        m_bPressed = true;
        Redraw();
        if (m_pManager)
            m_pManager->SetCapture(this);
    }
    return TRUE;
}

BOOL CSomPushButton::OnLButtonDown(const POINT&) {
    return Press();
}

BOOL CSomPushButton::OnLButtonDblClk(const POINT&) {
    return Press();
}

BOOL CSomPushButton::OnLButtonUp(const POINT&) {
    if (!m_bPressed)
        return TRUE;
    // Whether the release is over the button is decided as it happens, before the redraw and
    // the capture change run any code of the owner.
    const bool over = m_bHover;
    // Cleared before the capture goes back, so that the capture change it causes cancels
    // nothing, and before the command, which may end the window.
    m_bPressed = false;
    Redraw();
    ISomWndManager* manager = m_pManager;
    if (!manager)
        return TRUE;
    manager->ReleaseCapture(this);
    if (over)
        manager->SendCommand(this, 0, static_cast<WORD>(m_nID));
    return TRUE;
}

void CSomPushButton::OnCaptureChanged() {
    if (!m_bPressed)
        return;
    m_bPressed = false;
    Redraw();
}

void CSomPushButton::SetHover(bool hover) {
    if (m_bHover == hover)
        return;
    m_bHover = hover;
    Redraw();
}

void CSomPushButton::OnMouseEnter(const POINT&) {
    SetHover(true);
}

void CSomPushButton::OnMouseLeave() {
    SetHover(false);
}
