#include "skin/CSomBitmapHorizen3Part.h"

CSomBitmapHorizen3Part::CSomBitmapHorizen3Part(UINT resourceId, int xLeft, int xRight)
    : CSomBitmap(resourceId, 1, kPng), m_xLeft(xLeft), m_xRight(xRight) {}

void CSomBitmapHorizen3Part::DrawHorizontal(HDC dc, int x, int y, int cx, int frame) {
    EnsureLoaded();
    if (!m_hBitmap)
        return;
    const int w = m_cxFrame;
    const int h = m_cy;
    const int s = frame * w;
    const int middle = cx - m_xLeft - (w - m_xRight);
    HDC source = GetMemDC();
    gdi::SelectedObject selected(source, m_hBitmap.Get());
    Blit(dc, source, x, y, m_xLeft, h, s, 0, m_xLeft, h);
    // A negative middle is skipped (a stretch would mirror it), so a bar narrower than its two ends
    // shows the right end drawn over the left one.
    if (middle > 0)
        Blit(dc, source, x + m_xLeft, y, middle, h, s + m_xLeft, 0, m_xRight - m_xLeft, h);
    Blit(dc, source, x + m_xLeft + middle, y, w - m_xRight, h, s + m_xRight, 0, w - m_xRight, h);
}
