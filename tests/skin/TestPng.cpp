#include "tests/skin/TestPng.h"

#include <png.h>

#include "tests/support/FileBytes.h"

void WriteScreenshot(const std::wstring& path, int width, int height,
                     const std::vector<DWORD>& pixels) {
    std::vector<BYTE> rows;
    rows.reserve(pixels.size() * 3);
    for (DWORD p : pixels) {
        rows.push_back(static_cast<BYTE>(p >> 16));
        rows.push_back(static_cast<BYTE>(p >> 8));
        rows.push_back(static_cast<BYTE>(p));
    }
    WriteBytes(path, EncodePng(width, height, 3, rows));
}
