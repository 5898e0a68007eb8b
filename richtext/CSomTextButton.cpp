#include "richtext/CSomTextButton.h"

#include <algorithm>

#include "richtext/GdiTextMeasurer.h"
#include "skin/CSomBitmap.h"
#include "skin/FontTable.h"
#include "skin/ISomWndManager.h"
#include "skin/TextDrawState.h"

namespace {

// Padding the content keeps inside an auto-sized button, both sides together.
constexpr int kContentPadding = 15;
// Space between the icon and the caption.
constexpr int kIconGap = 5;
constexpr COLORREF kDisabledText = 0x666666;

}  // namespace

CSomTextButton::~CSomTextButton() = default;

void CSomTextButton::SetCaption(const wchar_t* text) {
    m_strText = text ? text : L"";
    UpdateLayout();
}

void CSomTextButton::SetCaptionFont(HFONT font) {
    if (m_hFont == font)
        return;
    m_hFont = font;
    Redraw();
}

void CSomTextButton::SetCaptionColor(COLORREF color) {
    if (m_crText == color)
        return;
    m_crText = color;
    Redraw();
}

void CSomTextButton::UpdateLayout() {
    int content = 0;
    if (m_pIcon) {
        m_pIcon->EnsureLoaded();
        content += m_pIcon->m_cxFrame;
    }
    if (!m_strText.empty()) {
        // Measured in the default caption font whatever m_hFont is, so that every button of
        // a row gets the same padding.
        GdiTextMeasurer measurer(CSomBitmap::GetMemDC());
        content += measurer
                       .Measure(FontTable::Font(FontTable::kDefaultEntry), m_strText.c_str(),
                                static_cast<int>(m_strText.size()))
                       .cx;
        if (m_pIcon)
            content += kIconGap;
    }
    if (m_dwStyle & SWS_AUTOSIZE) {
        if (m_pBack) {
            m_pBack->EnsureLoaded();
            const int width = std::max(content + kContentPadding, m_pBack->m_cxFrame);
            if (m_pManager)
                m_pManager->SizeWnd(this, width, m_pBack->m_cy);
            m_xContent = (width - content) / 2;
        }
    } else {
        m_xContent = (m_rc.right - m_rc.left - content) / 2;
    }
    Redraw();
}

void CSomTextButton::OnPaint(HDC dc, int, int) {
    const int width = m_rc.right - m_rc.left;
    const int height = m_rc.bottom - m_rc.top;
    // The background has no disabled frame, so State() does not apply: a disabled button keeps
    // the frame of its hover and press, and only its caption greys.
    const int state = !m_bHover ? 0 : (m_bPressed ? 2 : 1);
    if (m_pBack)
        m_pBack->DrawHorizontal(dc, 0, 0, width, state);
    if (m_pIcon) {
        m_pIcon->EnsureLoaded();
        m_pIcon->DrawFrame(dc, m_xContent, (height - m_pIcon->m_cy) / 2, m_nIconFrame);
    }
    if (m_strText.empty())
        return;
    TextDrawState text(dc, m_hFont ? m_hFont : FontTable::Font(FontTable::kDefaultEntry),
                       (m_dwStyle & SWS_DISABLED) ? kDisabledText : m_crText);
    RECT rc{0, 0, width, height};
    DrawTextW(dc, m_strText.c_str(), static_cast<int>(m_strText.size()), &rc,
              DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}
