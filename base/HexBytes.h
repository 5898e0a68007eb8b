// Bytes as hex digits and back, for digests, keys and signatures written as text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Lowercase hex, two digits a byte.
std::string EncodeHex(const unsigned char* bytes, std::size_t size);
// Exactly `size` bytes from exactly 2 * `size` hex digits of either case; false for anything
// else, with `bytes` then unspecified.
bool DecodeHex(std::string_view hex, unsigned char* bytes, std::size_t size);
