#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "skin/PngPixels.h"
#include "tests/skin/PngEncode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

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
        const Bytes png = EncodePng(c.width, c.height, c.channels, c.rows);
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
    const Bytes png = EncodePng(3, 3, 4, Bytes(36, 0x40));
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
        const Bytes png = EncodePng(c.width, c.height, 3, Bytes(c.width * c.height * 3, 0x7F));
        PngPixels pixels;
        EXPECT_EQ(PngPixels::Decode(png.data(), png.size(), pixels), c.decodes)
            << c.width << " x " << c.height;
    }
}

}  // namespace
