// One piece of label text with uniform attributes, as the markup parser emits it and the
// layouts place it.
#pragma once

#include <string>
#include <vector>

// A font as the parser and the layout see it: an opaque handle taken from the font table
// (an HFONT in the program). Null means the label's default font.
using FontHandle = void*;

// Pixels relative to the label's top-left corner; right and bottom exclusive.
struct RunBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct StyledRun {
    std::wstring text;
    RunBox box;
    FontHandle font = nullptr;
    // 0x00BBGGRR; negative means the label's default colour for this kind of run.
    int color = -1;
    // Empty when the run is not a link.
    std::wstring link;
    // Line index and per-character advances (pixels); only the multi-line label fills them.
    int line = 0;
    std::vector<int> advances;
};
