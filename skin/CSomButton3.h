// Push button drawn from a background at its natural size with an optional centred icon.
#pragma once

#include "skin/CSomWnd.h"

class CSomBitmap;

class CSomButton3 : public CSomWnd {
public:
    void OnCreate() override;
    void OnPaint(HDC dc, int clipRight, int part) override;
    void OnCaptureChanged() override;
    BOOL OnLButtonDown(const POINT& pt) override;
    BOOL OnLButtonUp(const POINT& pt) override;
    BOOL OnLButtonDblClk(const POINT& pt) override;
    void OnMouseEnter(const POINT& pt) override;
    void OnMouseLeave() override;

    // Frame of the background: 0 normal, 1 hover, 2 pressed, 3 disabled.
    int State() const;

    bool m_bHover = false;
    bool m_bPressed = false;
    CSomBitmap* m_pIcon = nullptr;
    int m_nIconFrame = 0;
    CSomBitmap* m_pBack = nullptr;

private:
};
