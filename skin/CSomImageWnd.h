// Passive picture showing one frame of an image; it ignores the mouse.
#pragma once

#include "skin/CSomWnd.h"

class CSomBitmap;

class CSomImageWnd : public CSomWnd {
public:
    void OnCreate() override;
    void OnPaint(HDC dc, int clipRight, int part) override;

    void SetImage(int frame, CSomBitmap* image);

    CSomBitmap* m_pImage = nullptr;
    int m_nFrame = 0;

private:
    void AdoptImage();
};
