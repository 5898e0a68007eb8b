// Horizontal progress bar: a fill drawn over a track, both stretched between fixed ends.
#pragma once

#include "skin/CSomWnd.h"

class CSomProgressCtrl : public CSomWnd {
public:
    void OnPaint(HDC dc, int clipRight, int part) override;

    int m_nPos = 0;
    int m_nRange = 100;
};
