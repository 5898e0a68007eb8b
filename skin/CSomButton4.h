// Push button drawn from a four-frame background (normal, hover, pressed, disabled) with an
// optional icon and one line of text.
#pragma once

#include <string>

#include "skin/CSomWnd.h"

class CSomBitmap;

class CSomButton4 : public CSomWnd {
public:
    ~CSomButton4() override = default;

    void OnCreate() override;
    void OnPaint(HDC dc, int clipRight, int part) override;
    void OnCaptureChanged() override;
    BOOL OnLButtonDown(const POINT& pt) override;
    BOOL OnLButtonUp(const POINT& pt) override;
    BOOL OnLButtonDblClk(const POINT& pt) override;
    void OnMouseEnter(const POINT& pt) override;
    void OnMouseLeave() override;

    // Recomputes size and content position after the text, icon or background changed.
    void UpdateLayout();
    // Frame of the background: 0 normal, 1 hover, 2 pressed, 3 disabled.
    int State() const;

    bool m_bHover = false;
    bool m_bPressed = false;
    std::wstring m_strText;
    CSomBitmap* m_pIcon = nullptr;
    int m_nIconFrame = 0;
    CSomBitmap* m_pBack = nullptr;
    int m_xContent = 0;

private:
    void Redraw();
};
