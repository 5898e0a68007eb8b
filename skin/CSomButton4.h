// Push button drawn from a four-frame background (normal, hover, pressed, disabled) with an
// optional icon and one line of text.
#pragma once

#include <string>

#include "skin/CSomPushButton.h"

class CSomBitmap;

class CSomButton4 : public CSomPushButton {
public:
    ~CSomButton4() override = default;

    void OnPaint(HDC dc, int clipRight, int part) override;

    // Recomputes size and content position after the text, icon or background changed.
    void UpdateLayout();

    std::wstring m_strText;
    CSomBitmap* m_pIcon = nullptr;
    int m_nIconFrame = 0;
    CSomBitmap* m_pBack = nullptr;
    int m_xContent = 0;
};
