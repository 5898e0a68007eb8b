// Pixels of what is on screen, for checking painting and keeping screenshots of test windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct ScreenPixels {
    int width = 0;
    int height = 0;
    // 0x00RRGGBB, top-down rows.
    std::vector<uint32_t> pixels;

    // The screen's pixels inside `rc` (screen coordinates).
    static ScreenPixels Capture(const RECT& rc);
    // What `window`'s own painting puts into its client area (WM_PRINTCLIENT), free of
    // whatever covers or surrounds it on screen.
    static ScreenPixels PrintClient(HWND window);

    uint32_t At(int x, int y) const { return pixels[y * width + x]; }
    // Writes an 8-bit RGB PNG; false on failure.
    bool SavePng(const std::string& path) const;
};

constexpr uint32_t Rgb(COLORREF color) {
    return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}
