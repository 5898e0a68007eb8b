#include "richtext/MarkupNumber.h"

#include <climits>
#include <cwchar>

int ParseMarkupInteger(const std::wstring& text, int base) {
    const long value = std::wcstol(text.c_str(), nullptr, base);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

int ParseMarkupColor(const std::wstring& text) {
    if (!text.empty() && text[0] == L'#')
        return ParseMarkupInteger(text.substr(1), 16);
    if (text.size() >= 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
        return ParseMarkupInteger(text.substr(2), 16);
    return ParseMarkupInteger(text, 10);
}
