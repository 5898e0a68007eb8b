// The multi-line label: runs broken into lines of a fixed width, character by character, with
// hanging punctuation, and every line but the last justified.
#pragma once

#include "richtext/CSomTextWnd.h"

class CMultiLineTextWndEx : public CSomTextWnd {
public:
    CMultiLineTextWndEx() = default;
    ~CMultiLineTextWndEx() override;

    // As the single-line label's, without resizing the label; returns the number of lines.
    // Set m_nLineWidth and m_nLineHeight first.
    int SetText(const wchar_t* markup);

    void OnPaint(HDC dc, int clipRight, int part) override;

    // Pixels. Lines are m_nLineHeight apart and m_nLineWidth wide.
    int m_nLineHeight = 20;
    int m_nLineWidth = 0;
    // The line the last layout ended on.
    int m_nCurLine = 0;

protected:
    void BuildRuns() override;

private:
    void DrawSegment(HDC dc, int index) const;
};
