// Encodes small PNG images in memory for the tests of the decoder, on any platform.
#pragma once

#include <cstdint>
#include <vector>

// rows: height rows of width * channels samples; channels 3 (RGB) or 4 (RGBA).
std::vector<std::uint8_t> EncodePng(int width, int height, int channels,
                                    const std::vector<std::uint8_t>& rows);
