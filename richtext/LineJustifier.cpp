#include "richtext/LineJustifier.h"

namespace {

// Gaps wider than this many pixels per gap look torn; beyond it the characters widen instead.
constexpr int kMaxGapSlack = 3;
// Gap each segment boundary keeps when the characters take the rest of the slack.
constexpr int kStretchGap = 2;

// Spreads `pixels` over the characters of `segment`, as evenly as whole pixels allow.
void WidenCharacters(StyledRun& segment, int pixels) {
    const int count = static_cast<int>(segment.advances.size());
    if (pixels <= 0 || count == 0)
        return;
    if (pixels >= count) {
        for (int& advance : segment.advances)
            advance += pixels / count;
        pixels %= count;
    }
    for (int j = 0; j < pixels; ++j)
        ++segment.advances[j * count / pixels];
}

void JustifyLine(StyledRun* first, int count, int lineWidth) {
    const int slack = lineWidth - first[count - 1].box.right;
    if (slack <= 0)
        return;
    const int gapCount = count - 1;
    std::vector<int> gapBefore(count, 0);
    std::vector<int> growth(count, 0);
    if (gapCount > 0 && slack <= kMaxGapSlack * gapCount) {
        for (int i = 1; i < count; ++i)
            gapBefore[i] = slack / gapCount + (i - 1 < slack % gapCount ? 1 : 0);
    } else {
        for (int i = 1; i < count; ++i)
            gapBefore[i] = kStretchGap;
        // Each segment grows in proportion to where it ends, so the rounding never adds up
        // to more than the slack.
        const long long spread = slack - kStretchGap * gapCount;
        long long before = 0;
        for (int i = 0; i < count; ++i) {
            const long long upTo = spread * first[i].box.right / lineWidth;
            growth[i] = static_cast<int>(upTo - before);
            before = upTo;
        }
    }
    int shift = 0;
    for (int i = 0; i < count; ++i) {
        StyledRun& segment = first[i];
        shift += gapBefore[i];
        segment.box.left += shift;
        segment.box.right += shift + growth[i];
        shift += growth[i];
        WidenCharacters(segment, growth[i]);
    }
}

}  // namespace

void JustifyLines(std::vector<StyledRun>& segments, int lineWidth) {
    if (lineWidth <= 0)
        return;
    const size_t total = segments.size();
    for (size_t start = 0; start < total;) {
        size_t end = start + 1;
        while (end < total && segments[end].line == segments[start].line)
            ++end;
        // The line holding the last segment stays ragged.
        if (end == total)
            break;
        JustifyLine(&segments[start], static_cast<int>(end - start), lineWidth);
        start = end;
    }
}
