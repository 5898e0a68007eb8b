#include "base/AnsiText.h"

#include <cstdlib>

std::string ToAnsi(const wchar_t* text) {
    if (text == nullptr) {
        return std::string();
    }
    const std::size_t size = std::wcstombs(nullptr, text, 0);
    if (size == static_cast<std::size_t>(-1) || size == 0) {
        return std::string();
    }
    std::string result(size, '\0');
    std::wcstombs(result.data(), text, size);
    return result;
}
