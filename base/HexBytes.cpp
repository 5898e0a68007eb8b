#include "base/HexBytes.h"

#include <sodium.h>

std::string EncodeHex(const unsigned char* bytes, std::size_t size) {
    std::string text(size * 2 + 1, '\0');
    sodium_bin2hex(text.data(), text.size(), bytes, size);
    text.pop_back();
    return text;
}

bool DecodeHex(std::string_view hex, unsigned char* bytes, std::size_t size) {
    std::size_t written = 0;
    const char* end = nullptr;
    return hex.size() == size * 2 &&
           sodium_hex2bin(bytes, size, hex.data(), hex.size(), nullptr, &written, &end) == 0 &&
           written == size && end == hex.data() + hex.size();
}
