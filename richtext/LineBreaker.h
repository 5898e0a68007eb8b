// Breaks runs into line segments of a fixed width, one character at a time, hanging the
// punctuation that must not begin a line at the end of the line before.
#pragma once

#include <string>
#include <vector>

#include "richtext/StyledRun.h"
#include "richtext/TextMeasurer.h"

class LineBreaker {
public:
    // Widths and heights in pixels. A line of `lineHeight` pixels holds its text bottom-aligned.
    LineBreaker(TextMeasurer& measurer, FontHandle defaultFont, int lineWidth, int lineHeight);

    // Appends the segments of `run` to `segments`, continuing where the previous run ended.
    // Segments carry the run's font and colour but never its link.
    void AddRun(const StyledRun& run, std::vector<StyledRun>& segments);

    // Index of the line being filled.
    int CurrentLine() const { return m_nCurLine; }

    static bool IsNoLineStart(wchar_t c);

private:
    // Places what fits of run.text from `start` and returns the number of characters used;
    // 0 when it only opened a new line.
    size_t Fit(const StyledRun& run, FontHandle font, size_t start,
               std::vector<StyledRun>& segments);
    void NewLine();

    TextMeasurer& m_measurer;
    FontHandle m_defaultFont;
    int m_nLineWidth;
    int m_nLineHeight;
    int m_nCurLine = 0;
    int m_xPen = 0;
    // Set once a segment is placed on the current line; no punctuation hangs back from then on.
    bool m_bLineStarted = false;
};
