// Fuzzer bytes as wide text the way the program meets it: UTF-16 code units, whatever the width
// of wchar_t on the machine running the fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzztext {

// Little-endian pairs of bytes, an odd last byte dropped. Null characters are kept: the parsers
// see the text up to the first one, as they would a buffer from the program.
inline std::wstring WideFromBytes(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    return text;
}

}  // namespace fuzztext
