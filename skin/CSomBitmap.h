// A skin image of one or more equally wide frames side by side, loaded on first use from a PNG
// file or resource and drawn with per-pixel alpha when it has transparency.
#pragma once

#include <windows.h>

#include <cstddef>

#include "skin/GdiHandle.h"

class CSomBitmap {
public:
    enum Kind : BYTE { kBitmap, kPng };

    CSomBitmap(const wchar_t* source, WORD frames, BYTE kind);
    CSomBitmap(UINT resourceId, WORD frames, BYTE kind);
    CSomBitmap(const CSomBitmap&) = delete;
    CSomBitmap& operator=(const CSomBitmap&) = delete;

    // Stretches one frame to cx x cy at (x, y).
    virtual void Draw(HDC dc, int x, int y, int cx, int cy, int frame);
    // Stretches one frame to width cx at the image's own height.
    virtual void DrawHorizontal(HDC dc, int x, int y, int cx, int frame);

    void EnsureLoaded();
    void DrawFrame(HDC dc, int x, int y, int frame);

    // Decodes a PNG held in memory into a top-down DIB section: 32 bits with premultiplied alpha
    // when the image has transparency, 24 bits otherwise. Empty when the data is not a valid PNG.
    static gdi::Bitmap DecodePng(const BYTE* data, size_t size);

    // The process-wide memory DC every bitmap is selected into for blitting; text is measured
    // on it too.
    static HDC GetMemDC();

    const wchar_t* m_pszSource;
    gdi::Bitmap m_hBitmap;
    int m_cxFrame = 0;
    int m_cy = 0;
    WORD m_nFrames;
    BYTE m_bAlpha = 0;
    BYTE m_nKind;

protected:
    bool IsResource() const;
    // One copy of a source rectangle of the image; stretched when the sizes differ.
    void Blit(HDC dc, HDC source, int x, int y, int cx, int cy, int sx, int sy, int scx,
              int scy) const;
};
