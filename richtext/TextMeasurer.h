// The one platform service text layout needs: the extent of a string in a font.
#pragma once

#include "richtext/StyledRun.h"

struct TextExtent {
    int cx = 0;
    int cy = 0;
};

class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // `font` is never null: callers substitute the label's default font first.
    virtual TextExtent Measure(FontHandle font, const wchar_t* text, int length) = 0;
};
