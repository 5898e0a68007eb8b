// Any bytes as a skin image: decoding refuses them or gives exactly the rows it promises, alpha
// never below a premultiplied colour.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "skin/PngPixels.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PngPixels pixels;
    if (!PngPixels::Decode(data, size, pixels))
        return 0;
    if (pixels.bytes.size() != pixels.stride * pixels.height ||
        pixels.stride < static_cast<std::size_t>(pixels.channels) * pixels.width)
        std::abort();
    if (pixels.channels == 4) {
        for (std::uint32_t row = 0; row < pixels.height; ++row) {
            const std::uint8_t* pixel = pixels.bytes.data() + row * pixels.stride;
            for (std::uint32_t col = 0; col < pixels.width; ++col, pixel += 4) {
                if (pixel[0] > pixel[3] || pixel[1] > pixel[3] || pixel[2] > pixel[3])
                    std::abort();
            }
        }
    }
    return 0;
}
