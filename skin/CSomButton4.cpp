#include "skin/CSomButton4.h"

#include <algorithm>

#include "skin/CSomBitmap.h"
#include "skin/FontTable.h"
#include "skin/GdiHandle.h"
#include "skin/ISomWndManager.h"

namespace {

constexpr int kIconGap = 5;
constexpr int kPadding = 20;
constexpr COLORREF kTextColor = 0x000000;
constexpr COLORREF kDisabledTextColor = 0x666666;

}  // namespace

void CSomButton4::OnPaint(HDC dc, int, int) {
    const int width = m_rc.right - m_rc.left;
    const int height = m_rc.bottom - m_rc.top;
    if (m_pBack)
        m_pBack->DrawHorizontal(dc, 0, 0, width, State());
    int x = m_xContent;
    if (m_pIcon) {
        m_pIcon->EnsureLoaded();
        m_pIcon->DrawFrame(dc, x, (height - m_pIcon->m_cy) / 2, m_nIconFrame);
        x += m_pIcon->m_cxFrame + kIconGap;
    }
    if (m_strText.empty())
        return;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    gdi::SelectedObject font(dc, FontTable::Font(FontTable::kDefaultEntry));
    const COLORREF oldColor =
        SetTextColor(dc, (m_dwStyle & SWS_DISABLED) ? kDisabledTextColor : kTextColor);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    int backHeight = 0;
    if (m_pBack) {
        m_pBack->EnsureLoaded();
        backHeight = m_pBack->m_cy;
    }
    const int y = (backHeight - metrics.tmHeight) / 2 - 1 + (m_bPressed ? 1 : 0);
    TextOutW(dc, x, y, m_strText.c_str(), static_cast<int>(m_strText.size()));
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

void CSomButton4::UpdateLayout() {
    m_xContent = 0;
    int w = 0;
    if (m_pIcon) {
        m_pIcon->EnsureLoaded();
        w = m_pIcon->m_cxFrame;
    }
    if (!m_strText.empty()) {
        HDC measure = CSomBitmap::GetMemDC();
        gdi::SelectedObject font(measure, FontTable::Font(FontTable::kDefaultEntry));
        SIZE size{};
        GetTextExtentPoint32W(measure, m_strText.c_str(), static_cast<int>(m_strText.size()),
                              &size);
        w += size.cx;
        if (m_pIcon)
            w += kIconGap;
    }
    if (m_dwStyle & SWS_AUTOSIZE) {
        if (m_pBack) {
            m_pBack->EnsureLoaded();
            const int width = std::max(w + kPadding, m_pBack->m_cxFrame);
            if (m_pManager)
                m_pManager->SizeWnd(this, width, m_pBack->m_cy);
            m_xContent = (width - w) / 2;
        }
    } else {
        m_xContent = (m_rc.right - m_rc.left - w) / 2;
    }
    Redraw();
}
