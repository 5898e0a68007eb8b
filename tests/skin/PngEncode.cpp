#include "tests/skin/PngEncode.h"

#include <png.h>

namespace {
using Bytes = std::vector<std::uint8_t>;
}  // namespace

Bytes EncodePng(int width, int height, int channels, const Bytes& rows) {
    Bytes png;
    png_structp write = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(write);
    png_set_write_fn(
        write, &png,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* out = static_cast<Bytes*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(write, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(write, info);
    for (int row = 0; row < height; ++row)
        png_write_row(write, rows.data() + static_cast<size_t>(row) * width * channels);
    png_write_end(write, nullptr);
    png_destroy_write_struct(&write, &info);
    return png;
}
