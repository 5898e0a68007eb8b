#include "richtext/CSomTextWnd.h"

#include <shellapi.h>

#include "richtext/GdiTextMeasurer.h"
#include "richtext/LinkTarget.h"
#include "richtext/MarkupParser.h"
#include "richtext/SingleLineLayout.h"
#include "skin/CSomBitmap.h"
#include "skin/FontTable.h"
#include "skin/ISomWndManager.h"
#include "skin/TextDrawState.h"

namespace {

RECT ToRect(const RunBox& box) {
    return {box.left, box.top, box.right, box.bottom};
}

}  // namespace

CSomTextWnd::CSomTextWnd() : m_hDefaultFont(FontTable::Font(FontTable::kDefaultEntry)) {}

CSomTextWnd::~CSomTextWnd() = default;

void CSomTextWnd::SetText(const wchar_t* markup) {
    const wchar_t* text = markup ? markup : L"";
    if (m_strMarkup == text)
        return;
    // Forget the hover run before giving up the capture, so that losing the press does not
    // activate a link of the text being replaced.
    m_nHoverRun = -1;
    if (m_nPressedRun != -1 && m_pManager)
        m_pManager->ReleaseCapture(this);
    m_nPressedRun = -1;
    m_runs.clear();
    m_strMarkup = text;
    BuildRuns();
    if (m_pManager)
        m_pManager->RedrawWnd(this, nullptr, FALSE, 0);
}

void CSomTextWnd::SetTextColor(COLORREF color) {
    if (m_crText == color)
        return;
    m_crText = color;
    if (m_pManager)
        m_pManager->RedrawWnd(this, nullptr, FALSE, 0);
}

void CSomTextWnd::BuildRuns() {
    m_runs.clear();
    MarkupParser::Parse(
        m_strMarkup.c_str(), [](int entry) -> FontHandle { return FontTable::Font(entry); },
        [this](StyledRun&& run) { m_runs.push_back(std::move(run)); });
    GdiTextMeasurer measurer(CSomBitmap::GetMemDC());
    const TextExtent size = LayoutSingleLine(m_runs, m_hDefaultFont, measurer);
    if ((m_dwStyle & SWS_AUTOSIZE) && m_pManager) {
        int width = size.cx;
        if (m_nMaxWidth != -1 && m_nMaxWidth < width)
            width = m_nMaxWidth;
        m_pManager->SizeWnd(this, width, size.cy);
    }
}

void CSomTextWnd::OnCreate() {
    m_dwStyle |= SWS_TRANSPARENT;
    m_nHoverRun = -1;
    m_nPressedRun = -1;
    BuildRuns();
}

COLORREF CSomTextWnd::RunColor(int index) const {
    const StyledRun& run = m_runs[index];
    if (index == m_nHoverRun)
        return m_crHover;
    if (run.color >= 0)
        return static_cast<COLORREF>(run.color) & 0xFFFFFF;
    return run.link.empty() ? m_crText : m_crLink;
}

void CSomTextWnd::OnPaint(HDC dc, int clipRight, int part) {
    const int limit = clipRight != -1 ? clipRight : m_nMaxWidth;
    if (part > 0) {
        if (part <= static_cast<int>(m_runs.size()))
            DrawRun(dc, part - 1, limit);
    } else {
        RECT clip;
        GetClipBox(dc, &clip);
        for (int i = 0; i < static_cast<int>(m_runs.size()); ++i) {
            const RECT box = ToRect(m_runs[i].box);
            RECT overlap;
            if (IntersectRect(&overlap, &box, &clip))
                DrawRun(dc, i, limit);
        }
    }
}

void CSomTextWnd::DrawRun(HDC dc, int index, int limit) const {
    const StyledRun& run = m_runs[index];
    RECT rc = ToRect(run.box);
    if (limit != -1 && limit < rc.left)
        return;
    const bool shortened = limit != -1 && limit < rc.right;
    if (shortened)
        rc.right = limit;
    const HFONT font = run.font ? static_cast<HFONT>(run.font) : m_hDefaultFont;
    TextDrawState state(dc, font, RunColor(index));
    const int length = static_cast<int>(run.text.size());
    if (shortened)
        DrawTextW(dc, run.text.c_str(), length, &rc,
                  DT_PATH_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE);
    else
        TextOutW(dc, rc.left, rc.top, run.text.c_str(), length);
}

void CSomTextWnd::RedrawRun(int index) {
    if (!m_pManager || index < 0 || index >= static_cast<int>(m_runs.size()))
        return;
    const RECT box = ToRect(m_runs[index].box);
    m_pManager->RedrawWnd(this, &box, FALSE, index + 1);
}

int CSomTextWnd::RunAt(const POINT& pt) const {
    for (int i = 0; i < static_cast<int>(m_runs.size()); ++i) {
        const RECT box = ToRect(m_runs[i].box);
        if (PtInRect(&box, pt))
            return i;
    }
    return -1;
}

BOOL CSomTextWnd::OnSetCursor(const POINT& pt) {
    const int hit = RunAt(pt);
    if (hit < 0 || m_runs[hit].link.empty())
        return FALSE;
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

BOOL CSomTextWnd::OnMouseMove(const POINT& pt) {
    const int hit = RunAt(pt);
    if (hit < 0)
        return FALSE;
    const int previous = m_nHoverRun;
    if (m_runs[hit].link.empty()) {
        m_nHoverRun = -1;
    } else if (hit != m_nHoverRun) {
        m_nHoverRun = hit;
        RedrawRun(hit);
    }
    if (previous != -1 && previous != m_nHoverRun)
        RedrawRun(previous);
    return FALSE;
}

void CSomTextWnd::OnMouseLeave() {
    if (m_nHoverRun == -1)
        return;
    const int previous = m_nHoverRun;
    m_nHoverRun = -1;
    RedrawRun(previous);
}

BOOL CSomTextWnd::OnLButtonDown(const POINT& pt) {
    const int hit = RunAt(pt);
    if (hit < 0)
        return m_nPressedRun != -1;
    const int previous = m_nPressedRun;
    if (m_runs[hit].link.empty()) {
        m_nPressedRun = -1;
    } else if (hit != m_nPressedRun) {
        m_nPressedRun = hit;
        RedrawRun(hit);
        if (m_pManager)
            m_pManager->SetCapture(this);
    }
    if (previous != -1 && previous != m_nPressedRun)
        RedrawRun(previous);
    return m_nPressedRun != -1;
}

BOOL CSomTextWnd::OnLButtonDblClk(const POINT& pt) {
    return OnLButtonDown(pt);
}

BOOL CSomTextWnd::OnLButtonUp(const POINT&) {
    if (m_nPressedRun == -1)
        return FALSE;
    // Cleared before the capture goes back, so that the capture change it causes cancels
    // nothing.
    const int pressed = m_nPressedRun;
    m_nPressedRun = -1;
    RedrawRun(pressed);
    if (m_pManager)
        m_pManager->ReleaseCapture(this);
    if (m_nHoverRun == -1)
        return TRUE;
    // The command may replace this label's text or end its window: keep nothing of ours.
    const std::wstring target = m_runs[m_nHoverRun].link;
    ActivateLink(target);
    return TRUE;
}

void CSomTextWnd::OnCaptureChanged() {
    // Another window took the capture while a link was held: nothing was released over it.
    if (m_nPressedRun == -1)
        return;
    const int pressed = m_nPressedRun;
    m_nPressedRun = -1;
    RedrawRun(pressed);
}

void CSomTextWnd::ActivateLink(const std::wstring& target) {
    const LinkTarget link = LinkTarget::Classify(target);
    switch (link.kind) {
        case LinkTarget::Kind::kCommand:
            if (m_pManager)
                m_pManager->SendCommand(this, 0, link.command);
            break;
        case LinkTarget::Kind::kWebAddress:
            ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            break;
        case LinkTarget::Kind::kRefused:
            break;
    }
}
