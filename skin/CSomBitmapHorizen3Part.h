// Image stretched horizontally between a fixed left and a fixed right end.
#pragma once

#include "skin/CSomBitmap.h"

class CSomBitmapHorizen3Part : public CSomBitmap {
public:
    explicit CSomBitmapHorizen3Part(UINT resourceId, int xLeft = 4, int xRight = 14);

    void DrawHorizontal(HDC dc, int x, int y, int cx, int frame) override;

    int m_xLeft;
    int m_xRight;
};
