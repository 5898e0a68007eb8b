#include "richtext/GdiTextMeasurer.h"

#include "skin/GdiHandle.h"

TextExtent GdiTextMeasurer::Measure(FontHandle font, const wchar_t* text, int length) {
    const gdi::SelectedObject selected(m_hDC, static_cast<HFONT>(font));
    SIZE size{};
    GetTextExtentPoint32W(m_hDC, text, length, &size);
    return {size.cx, size.cy};
}
