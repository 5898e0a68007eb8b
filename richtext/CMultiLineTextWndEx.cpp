#include "richtext/CMultiLineTextWndEx.h"

#include "richtext/GdiTextMeasurer.h"
#include "richtext/LineBreaker.h"
#include "richtext/LineJustifier.h"
#include "richtext/MarkupParser.h"
#include "skin/CSomBitmap.h"
#include "skin/FontTable.h"
#include "skin/TextDrawState.h"

CMultiLineTextWndEx::~CMultiLineTextWndEx() = default;

int CMultiLineTextWndEx::SetText(const wchar_t* markup) {
    CSomTextWnd::SetText(markup);
    return m_nCurLine + 1;
}

void CMultiLineTextWndEx::BuildRuns() {
    m_runs.clear();
    GdiTextMeasurer measurer(CSomBitmap::GetMemDC());
    LineBreaker breaker(measurer, m_hDefaultFont, m_nLineWidth, m_nLineHeight);
    MarkupParser::Parse(
        m_strMarkup.c_str(), [](int entry) -> FontHandle { return FontTable::Font(entry); },
        [&](StyledRun&& run) { breaker.AddRun(run, m_runs); });
    JustifyLines(m_runs, m_nLineWidth);
    m_nCurLine = breaker.CurrentLine();
}

void CMultiLineTextWndEx::OnPaint(HDC dc, int, int part) {
    if (part > 0) {
        if (part <= static_cast<int>(m_runs.size()))
            DrawSegment(dc, part - 1);
    } else {
        RECT clip;
        GetClipBox(dc, &clip);
        for (int i = 0; i < static_cast<int>(m_runs.size()); ++i) {
            const RunBox& b = m_runs[i].box;
            const RECT box{b.left, b.top, b.right, b.bottom};
            RECT overlap;
            if (IntersectRect(&overlap, &box, &clip))
                DrawSegment(dc, i);
        }
    }
}

void CMultiLineTextWndEx::DrawSegment(HDC dc, int index) const {
    const StyledRun& segment = m_runs[index];
    const HFONT font = segment.font ? static_cast<HFONT>(segment.font) : m_hDefaultFont;
    TextDrawState state(dc, font, RunColor(index));
    // Hung punctuation has no advances: its natural spacing is kept.
    ExtTextOutW(dc, segment.box.left, segment.box.top, 0, nullptr, segment.text.c_str(),
                static_cast<UINT>(segment.text.size()),
                segment.advances.empty() ? nullptr : segment.advances.data());
}
