#include "skin/PngPixels.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace {

// Far above any skin image, far below what a hostile header could make the program allocate.
constexpr png_uint_32 kMaxDimension = 4096;

struct MemoryReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t cursor;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->cursor)
        png_error(png, "read beyond the end of the data");
    std::memcpy(out, reader->data + reader->cursor, length);
    reader->cursor += length;
}

// Kept outside the function that calls setjmp, so that a library error, which jumps back
// there, never skips a destructor.
struct DecodeState {
    png_structp png = nullptr;
    png_infop info = nullptr;
};

bool DecodeInto(DecodeState& s, MemoryReader& reader, PngPixels& out) {
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_set_read_fn(s.png, &reader, ReadFromMemory);
    // The header is checked against the limits before anything is allocated for the image.
    png_set_user_limits(s.png, kMaxDimension, kMaxDimension);
    png_read_info(s.png, s.info);

    const png_byte depth = png_get_bit_depth(s.png, s.info);
    const png_byte colorType = png_get_color_type(s.png, s.info);
    if (depth == 16)
        png_set_strip_16(s.png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(s.png);
    if (depth < 8)
        png_set_expand(s.png);
    if (png_get_valid(s.png, s.info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(s.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(s.png);
    // Both must be requested before the update: the library lays out its row reading there,
    // and an interlaced image read without it fails on the first row of its second pass.
    png_set_bgr(s.png);
    const int passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);

    out.width = png_get_image_width(s.png, s.info);
    out.height = png_get_image_height(s.png, s.info);
    out.channels = png_get_channels(s.png, s.info);
    if (out.channels != 3 && out.channels != 4)
        return false;
    // The library's own row size: a row read may never write past what was allocated for it.
    if (png_get_rowbytes(s.png, s.info) != static_cast<std::size_t>(out.channels) * out.width)
        return false;
    out.stride =
        (static_cast<std::size_t>(out.channels) * out.width + 3) & ~static_cast<std::size_t>(3);
    out.bytes.assign(out.stride * out.height, 0);

    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 row = 0; row < out.height; ++row)
            png_read_row(s.png, out.bytes.data() + row * out.stride, nullptr);
    }
    if (out.channels == 4) {
        for (png_uint_32 row = 0; row < out.height; ++row) {
            std::uint8_t* pixel = out.bytes.data() + row * out.stride;
            for (png_uint_32 col = 0; col < out.width; ++col, pixel += 4) {
                const unsigned alpha = pixel[3];
                for (int c = 0; c < 3; ++c)
                    pixel[c] = static_cast<std::uint8_t>(pixel[c] * alpha / 255);
            }
        }
    }
    png_read_end(s.png, nullptr);
    return true;
}

}  // namespace

bool PngPixels::Decode(const std::uint8_t* data, std::size_t size, PngPixels& out) {
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return false;
    DecodeState state;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!state.png)
        return false;
    state.info = png_create_info_struct(state.png);
    if (!state.info) {
        png_destroy_read_struct(&state.png, nullptr, nullptr);
        return false;
    }
    MemoryReader reader{data, size, 0};
    const bool ok = DecodeInto(state, reader, out);
    png_destroy_read_struct(&state.png, &state.info, nullptr);
    return ok;
}
