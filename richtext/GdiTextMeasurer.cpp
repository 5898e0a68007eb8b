#include "richtext/GdiTextMeasurer.h"

TextExtent GdiTextMeasurer::Measure(FontHandle font, const wchar_t* text, int length) {
    const HGDIOBJ previous = SelectObject(m_hDC, static_cast<HFONT>(font));
    SIZE size{};
    GetTextExtentPoint32W(m_hDC, text, length, &size);
    SelectObject(m_hDC, previous);
    return {size.cx, size.cy};
}
