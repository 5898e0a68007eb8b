#include <gtest/gtest.h>

#include <png.h>

#include <cstdint>
#include <vector>

#include "skin/PngPixels.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// rows: height rows of width * channels samples; channels 3 (RGB) or 4 (RGBA).
Bytes Encode(int width, int height, int channels, const Bytes& rows) {
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

// Rows come out in DIB order and layout: blue first, alpha premultiplied (truncating), each row
// padded to four bytes with zeros.
TEST(PngPixels, RowsAsADibHoldsThem) {
    const struct {
        const char* name;
        int width, height, channels;
        Bytes rows;
        std::size_t stride;
        Bytes bytes;
    } cases[] = {
        {"premultiplied alpha",
         2,
         1,
         4,
         {255, 255, 255, 128, 200, 100, 50, 0},
         8,
         {128, 128, 128, 128, 0, 0, 0, 0}},
        {"padded rows", 1, 2, 3, {1, 2, 3, 4, 5, 6}, 4, {3, 2, 1, 0, 6, 5, 4, 0}},
    };
    for (const auto& c : cases) {
        const Bytes png = Encode(c.width, c.height, c.channels, c.rows);
        PngPixels pixels;
        ASSERT_TRUE(PngPixels::Decode(png.data(), png.size(), pixels)) << c.name;
        EXPECT_EQ(pixels.width, static_cast<std::uint32_t>(c.width)) << c.name;
        EXPECT_EQ(pixels.height, static_cast<std::uint32_t>(c.height)) << c.name;
        EXPECT_EQ(pixels.channels, c.channels) << c.name;
        EXPECT_EQ(pixels.stride, c.stride) << c.name;
        EXPECT_EQ(pixels.bytes, c.bytes) << c.name;
    }
}

TEST(PngPixels, EveryTruncationAndForeignDataIsRefused) {
    const Bytes png = Encode(3, 3, 4, Bytes(36, 0x40));
    PngPixels pixels;
    for (std::size_t cut = 0; cut < png.size(); ++cut)
        EXPECT_FALSE(PngPixels::Decode(png.data(), cut, pixels)) << "cut at " << cut;
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    EXPECT_FALSE(PngPixels::Decode(gif.data(), gif.size(), pixels));
    EXPECT_FALSE(PngPixels::Decode(nullptr, 0, pixels));
}

TEST(PngPixels, HeadersBeyondTheSizeLimitAreRefused) {
    const struct {
        int width, height;
        bool decodes;
    } cases[] = {{4096, 1, true}, {4097, 1, false}, {1, 4096, true}, {1, 4097, false}};
    for (const auto& c : cases) {
        const Bytes png = Encode(c.width, c.height, 3, Bytes(c.width * c.height * 3, 0x7F));
        PngPixels pixels;
        EXPECT_EQ(PngPixels::Decode(png.data(), png.size(), pixels), c.decodes)
            << c.width << " x " << c.height;
    }
}

}  // namespace
