#include "richtext/SingleLineLayout.h"

#include <algorithm>

TextExtent LayoutSingleLine(std::vector<StyledRun>& runs, FontHandle defaultFont,
                            TextMeasurer& measurer) {
    std::vector<TextExtent> extents;
    extents.reserve(runs.size());
    int height = 0;
    for (const StyledRun& run : runs) {
        extents.push_back(measurer.Measure(run.font ? run.font : defaultFont, run.text.c_str(),
                                           static_cast<int>(run.text.size())));
        height = std::max(height, extents.back().cy);
    }
    int x = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        RunBox& box = runs[i].box;
        box.left = x;
        box.right = x + extents[i].cx;
        box.top = height - extents[i].cy;
        box.bottom = height;
        x = box.right;
    }
    return {x, height};
}
