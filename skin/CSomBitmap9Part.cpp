#include "skin/CSomBitmap9Part.h"

CSomBitmap9Part::CSomBitmap9Part(const wchar_t* source, int xLeft, int xRight, int yTop,
                                 int yBottom)
    : CSomBitmap(source, 1, kPng),
      m_xLeft(xLeft),
      m_xRight(xRight),
      m_yTop(yTop),
      m_yBottom(yBottom) {}

void CSomBitmap9Part::Draw(HDC dc, int x, int y, int cx, int cy, int frame) {
    SetStretchBltMode(dc, HALFTONE);
    EnsureLoaded();
    if (!m_hBitmap)
        return;
    const int w = m_cxFrame;
    const int h = m_cy;
    const int s = frame * w;
    const int l = m_xLeft, r = m_xRight, t = m_yTop, b = m_yBottom;
    const int mw = cx - l - (w - r);
    const int mh = cy - t - (h - b);
    HDC src = GetMemDC();
    gdi::SelectedObject selected(src, m_hBitmap.Get());

    // Negative middles are skipped: a stretch to a negative size would draw a mirror image.
    auto band = [&](int dy, int sy, int sourceHeight, int height) {
        Blit(dc, src, x, dy, l, height, s, sy, l, sourceHeight);
        if (mw > 0)
            Blit(dc, src, x + l, dy, mw, height, s + l, sy, r - l, sourceHeight);
        Blit(dc, src, x + l + mw, dy, w - r, height, s + r, sy, w - r, sourceHeight);
    };
    band(y, 0, t, t);
    if (mh > 0)
        band(y + t, t, b - t, mh);
    band(y + t + mh, b, h - b, h - b);
}
