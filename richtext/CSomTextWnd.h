// The single-line rich-text label: markup parsed into runs placed side by side, drawn in their
// fonts and colours, with clickable links.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "richtext/StyledRun.h"
#include "skin/CSomWnd.h"

class CSomTextWnd : public CSomWnd {
public:
    CSomTextWnd();
    ~CSomTextWnd() override;

    // Parses and lays out `markup` (null = empty) and repaints, unless it equals the current
    // markup: then nothing happens at all. A link press in progress is cancelled.
    void SetText(const wchar_t* markup);
    // Colour of plain runs that have none of their own; repaints when it changes.
    void SetTextColor(COLORREF color);

    void OnCreate() override;
    void OnPaint(HDC dc, int clipRight, int part) override;
    void OnCaptureChanged() override;
    BOOL OnSetCursor(const POINT& pt) override;
    BOOL OnLButtonDown(const POINT& pt) override;
    BOOL OnLButtonUp(const POINT& pt) override;
    BOOL OnLButtonDblClk(const POINT& pt) override;
    BOOL OnMouseMove(const POINT& pt) override;
    void OnMouseLeave() override;

    std::wstring m_strMarkup;
    // Single-line: the parsed runs. Multi-line: the line segments.
    std::vector<StyledRun> m_runs;
    HFONT m_hDefaultFont;
    COLORREF m_crText = 0;
    COLORREF m_crLink = 0x00984E00;
    COLORREF m_crHover = 0x00DA7003;
    // Width limit for drawing and auto-size, -1 for none; runs beyond it end in an ellipsis.
    int m_nMaxWidth = -1;
    // Index in m_runs of the link under the pointer and of the link pressed, -1 for none.
    int m_nHoverRun = -1;
    int m_nPressedRun = -1;

protected:
    // Turns m_strMarkup into m_runs and places them.
    virtual void BuildRuns();
    // The colour run `index` is drawn in now.
    COLORREF RunColor(int index) const;
    // Repaints run `index` only.
    void RedrawRun(int index);
    // The first run containing `pt` (label coordinates), or -1.
    int RunAt(const POINT& pt) const;

private:
    void DrawRun(HDC dc, int index, int limit) const;
    void ActivateLink(const std::wstring& target);
};
