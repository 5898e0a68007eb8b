// The process-wide off-screen buffer in which transparent controls are composed over the owner's
// background before they reach the screen in one copy.
#pragma once

#include <windows.h>

#include "skin/GdiHandle.h"

class PaintBuffer {
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 128;

    // NULL when the buffer could not be created; drawing then goes straight to the target.
    static HDC Get();

    PaintBuffer();
    ~PaintBuffer();
    PaintBuffer(const PaintBuffer&) = delete;
    PaintBuffer& operator=(const PaintBuffer&) = delete;

private:
    gdi::MemoryDC m_hDC;
    gdi::Bitmap m_hBitmap;
    HGDIOBJ m_hPrevious = nullptr;
};
