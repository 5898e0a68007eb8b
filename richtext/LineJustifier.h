// Justifies broken lines to their full width: every line but the last, by widening the gaps
// between segments and, where gaps alone would be too wide, the characters themselves.
#pragma once

#include <vector>

#include "richtext/StyledRun.h"

// `segments` as the line breaker produced them (consecutive segments of equal `line` form a
// line). Moves their boxes and grows their advances; does nothing when lineWidth <= 0.
void JustifyLines(std::vector<StyledRun>& segments, int lineWidth);
