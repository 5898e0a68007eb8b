// Selects a font and a text colour into a DC, with a transparent background, for as long as
// the object lives; the DC gets its previous state back afterwards.
#pragma once

#include <windows.h>

#include "skin/GdiHandle.h"

class TextDrawState {
public:
    TextDrawState(HDC dc, HFONT font, COLORREF color)
        : m_font(dc, font),
          m_hDC(dc),
          m_crOld(::SetTextColor(dc, color)),
          m_nOldMode(SetBkMode(dc, TRANSPARENT)) {}
    ~TextDrawState() {
        SetBkMode(m_hDC, m_nOldMode);
        ::SetTextColor(m_hDC, m_crOld);
    }
    TextDrawState(const TextDrawState&) = delete;
    TextDrawState& operator=(const TextDrawState&) = delete;

private:
    gdi::SelectedObject m_font;
    HDC m_hDC;
    COLORREF m_crOld;
    int m_nOldMode;
};
