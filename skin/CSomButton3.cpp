#include "skin/CSomButton3.h"

#include "skin/CSomBitmap.h"
#include "skin/ISomWndManager.h"

void CSomButton3::OnCreate() {
    CSomPushButton::OnCreate();
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
