#include "richtext/LineBreaker.h"

#include <cwchar>

namespace {

// Closing punctuation, Chinese and ASCII, that hangs at the end of the previous line rather
// than begin one.
constexpr wchar_t kNoLineStart[] =
    L"\uFF0C\u3002\uFF1A\uFF1B\uFF1F\uFF01\u300B\u3011\u3001\u2018\u2019\u201C\u201D\uFF09"
    L",.:;?!>]})'\"";

}  // namespace

LineBreaker::LineBreaker(TextMeasurer& measurer, FontHandle defaultFont, int lineWidth,
                         int lineHeight)
    : m_measurer(measurer),
      m_defaultFont(defaultFont),
      m_nLineWidth(lineWidth),
      m_nLineHeight(lineHeight) {}

bool LineBreaker::IsNoLineStart(wchar_t c) {
    return c != 0 && std::wcschr(kNoLineStart, c) != nullptr;
}

void LineBreaker::AddRun(const StyledRun& run, std::vector<StyledRun>& segments) {
    const FontHandle font = run.font ? run.font : m_defaultFont;
    for (size_t used = 0; used < run.text.size();)
        used += Fit(run, font, used, segments);
}

void LineBreaker::NewLine() {
    ++m_nCurLine;
    m_xPen = 0;
    m_bLineStarted = false;
}

size_t LineBreaker::Fit(const StyledRun& run, FontHandle font, size_t start,
                        std::vector<StyledRun>& segments) {
    const wchar_t* text = run.text.c_str() + start;
    const size_t length = run.text.size() - start;

    StyledRun segment;
    segment.font = run.font;
    segment.color = run.color;

    // Whether the line has begun, not where the pen stands: after a character of no width the
    // pen is still at 0, and hanging what follows on the line before would put it ahead of
    // that character.
    if (!m_bLineStarted && m_nCurLine >= 1 && IsNoLineStart(text[0])) {
        const TextExtent extent = m_measurer.Measure(font, text, 1);
        segment.text.assign(text, 1);
        segment.box.left = segments.empty() ? 0 : segments.back().box.right;
        segment.box.right = segment.box.left + extent.cx;
        segment.box.bottom = m_nCurLine * m_nLineHeight;
        segment.box.top = segment.box.bottom - extent.cy;
        segment.line = m_nCurLine - 1;
        segments.push_back(std::move(segment));
        return 1;
    }
    // Only a line that already holds text can be closed: a character that does not fit an
    // empty line (wider than the line, or a line of no width) would otherwise open new lines
    // without end.
    if (m_xPen > 0 && m_xPen > m_nLineWidth) {
        NewLine();
        return 0;
    }

    int x = m_xPen;
    int height = 0;
    size_t count = 0;
    for (; count < length; ++count) {
        const TextExtent extent = m_measurer.Measure(font, text + count, 1);
        height = extent.cy;
        if (x + extent.cx > m_nLineWidth) {
            if (count > 0 || m_xPen > 0)
                break;
            // Alone on its line and still too wide: it stays there and overflows the line.
        }
        x += extent.cx;
        segment.advances.push_back(extent.cx);
    }
    if (count == 0) {
        NewLine();
        return 0;
    }

    segment.text.assign(text, count);
    segment.box.left = m_xPen;
    segment.box.right = x;
    segment.box.bottom = (m_nCurLine + 1) * m_nLineHeight;
    segment.box.top = segment.box.bottom - height;
    segment.line = m_nCurLine;
    segments.push_back(std::move(segment));
    m_xPen = x;
    m_bLineStarted = true;
    return count;
}
