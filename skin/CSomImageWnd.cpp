#include "skin/CSomImageWnd.h"

#include "skin/CSomBitmap.h"
#include "skin/ISomWndManager.h"

void CSomImageWnd::AdoptImage() {
    m_pImage->EnsureLoaded();
    if ((m_dwStyle & SWS_AUTOSIZE) && m_pManager)
        m_pManager->SizeWnd(this, m_pImage->m_cxFrame, m_pImage->m_cy);
    if (m_pImage->m_bAlpha)
        m_dwStyle |= SWS_TRANSPARENT;
    else
        m_dwStyle &= ~SWS_TRANSPARENT;
}

void CSomImageWnd::OnCreate() {
    if (m_pImage)
        AdoptImage();
}

void CSomImageWnd::OnPaint(HDC dc, int, int) {
    if (m_pImage)
        m_pImage->DrawFrame(dc, 0, 0, m_nFrame);
}

void CSomImageWnd::SetImage(int frame, CSomBitmap* image) {
    m_nFrame = frame;
    m_pImage = image;
    if (m_pImage)
        AdoptImage();
    if (m_pManager)
        m_pManager->RedrawWnd(this, nullptr, FALSE, 0);
}
