// Push button drawn from a background at its natural size with an optional centred icon.
#pragma once

#include "skin/CSomPushButton.h"

class CSomBitmap;

class CSomButton3 : public CSomPushButton {
public:
    void OnCreate() override;
    void OnPaint(HDC dc, int clipRight, int part) override;

    CSomBitmap* m_pIcon = nullptr;
    int m_nIconFrame = 0;
    CSomBitmap* m_pBack = nullptr;
};
