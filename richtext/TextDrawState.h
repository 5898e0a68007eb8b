// Selects a font and a text colour into a DC, with a transparent background, for as long as
// the object lives; the DC gets its previous state back afterwards.
#pragma once

#include <windows.h>

class TextDrawState {
public:
    TextDrawState(HDC dc, HFONT font, COLORREF color)
        : m_hDC(dc),
          m_hOldFont(SelectObject(dc, font)),
          m_crOld(::SetTextColor(dc, color)),
          m_nOldMode(SetBkMode(dc, TRANSPARENT)) {}
    ~TextDrawState() {
        SetBkMode(m_hDC, m_nOldMode);
        ::SetTextColor(m_hDC, m_crOld);
        SelectObject(m_hDC, m_hOldFont);
    }
    TextDrawState(const TextDrawState&) = delete;
    TextDrawState& operator=(const TextDrawState&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOldFont;
    COLORREF m_crOld;
    int m_nOldMode;
};
