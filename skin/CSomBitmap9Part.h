// Image stretched in both directions with fixed corners, edges stretched along their length.
#pragma once

#include "skin/CSomBitmap.h"

class CSomBitmap9Part : public CSomBitmap {
public:
    CSomBitmap9Part(const wchar_t* source, int xLeft, int xRight, int yTop, int yBottom);

    void Draw(HDC dc, int x, int y, int cx, int cy, int frame) override;

    int m_xLeft;
    int m_xRight;
    int m_yTop;
    int m_yBottom;
};
