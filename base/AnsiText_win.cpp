#include "base/AnsiText.h"

#include <windows.h>

std::string ToAnsi(const wchar_t* text) {
    if (text == nullptr) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return std::string();
    }
    std::string result(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], size, nullptr, nullptr) == 0) {
        return std::string();
    }
    result.resize(static_cast<size_t>(size) - 1);
    return result;
}
