// Text for the log and the engine's messages in the system's narrow encoding: the ANSI code page
// on Windows (AnsiText_win.cpp), the C locale's multibyte encoding elsewhere (AnsiText_posix.cpp).
#pragma once

#include <string>

// Empty for a null input or a failed conversion.
std::string ToAnsi(const wchar_t* text);
inline std::string ToAnsi(const std::wstring& text) {
    return ToAnsi(text.c_str());
}
