#include "tests/skin/TestPng.h"

#include <png.h>

#include <fstream>

std::vector<BYTE> EncodePng(int width, int height, int channels, const std::vector<BYTE>& rows) {
    std::vector<BYTE> png;
    png_structp write = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(write);
    png_set_write_fn(
        write, &png,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* out = static_cast<std::vector<BYTE>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(write, info, width, height, 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(write, info);
    for (int row = 0; row < height; ++row)
        png_write_row(write, rows.data() + static_cast<size_t>(row) * width * channels);
    png_write_end(write, nullptr);
    png_destroy_write_struct(&write, &info);
    return png;
}

void WriteBytes(const std::wstring& path, const std::vector<BYTE>& data) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

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
