#include "tests/richtext/ScreenPixels.h"

#include <png.h>

#include <cstdio>

namespace {

ScreenPixels FromDC(HDC source, int x, int y, int width, int height, bool printClient,
                    HWND window) {
    ScreenPixels shot;
    shot.width = width;
    shot.height = height;
    shot.pixels.assign(static_cast<size_t>(width) * height, 0);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(memory, dib);
    if (printClient)
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    else
        BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < shot.pixels.size(); ++i)
        shot.pixels[i] = p[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(dib);
    return shot;
}

}  // namespace

ScreenPixels ScreenPixels::Capture(const RECT& rc) {
    HDC screen = GetDC(nullptr);
    ScreenPixels shot =
        FromDC(screen, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, false, nullptr);
    ReleaseDC(nullptr, screen);
    return shot;
}

ScreenPixels ScreenPixels::PrintClient(HWND window) {
    RECT rc;
    GetClientRect(window, &rc);
    HDC screen = GetDC(nullptr);
    ScreenPixels shot = FromDC(screen, 0, 0, rc.right, rc.bottom, true, window);
    ReleaseDC(nullptr, screen);
    return shot;
}

bool ScreenPixels::SavePng(const std::string& path) const {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    volatile bool ok = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t c = At(x, y);
                row[x * 3] = static_cast<png_byte>(c >> 16);
                row[x * 3 + 1] = static_cast<png_byte>(c >> 8);
                row[x * 3 + 2] = static_cast<png_byte>(c);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return ok;
}
