// Places runs side by side on one line, bottom-aligned.
#pragma once

#include <vector>

#include "richtext/StyledRun.h"
#include "richtext/TextMeasurer.h"

// Sets every run's box, from x = 0 with no gaps, in a line as high as the tallest run; runs
// without a font are measured in `defaultFont`. Returns the line's width and height.
TextExtent LayoutSingleLine(std::vector<StyledRun>& runs, FontHandle defaultFont,
                            TextMeasurer& measurer);
