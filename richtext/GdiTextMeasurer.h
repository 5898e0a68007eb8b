// Text extents from GDI, measured in a device context the caller keeps alive.
#pragma once

#include <windows.h>

#include "richtext/TextMeasurer.h"

class GdiTextMeasurer : public TextMeasurer {
public:
    // `dc` is borrowed; the font it had selected is selected again after every measurement.
    explicit GdiTextMeasurer(HDC dc) : m_hDC(dc) {}

    TextExtent Measure(FontHandle font, const wchar_t* text, int length) override;

private:
    HDC m_hDC;
};
