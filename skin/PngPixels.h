// A PNG decoded into memory laid out as a top-down DIB section holds it, without the platform:
// the skin's bitmaps copy it into GDI, the tests and fuzzers read it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct PngPixels {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // 4 (blue, green, red, alpha, colours premultiplied by alpha) when the image has
    // transparency, else 3 (blue, green, red).
    int channels = 0;
    // Bytes per row: rows are padded to a multiple of four bytes, as in a DIB.
    std::size_t stride = 0;
    // height rows of stride bytes, top row first.
    std::vector<std::uint8_t> bytes;

    // Decodes `size` bytes at `data`. False, leaving `out` unspecified, when they are not a
    // valid PNG or the image is larger than any skin image may be.
    static bool Decode(const std::uint8_t* data, std::size_t size, PngPixels& out);
};
