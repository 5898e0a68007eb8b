// Numbers written in label markup: colours, font entries and "button:" command ids.
#pragma once

#include <string>

// Converts `text` in `base` the way wcstol does (leading white space, optional sign, stops at
// the first non-digit, no digits give 0), clamped to the 32-bit signed range whatever the
// width of long.
int ParseMarkupInteger(const std::wstring& text, int base);

// A colour value: "#" or "0x"/"0X" introduce hexadecimal digits, anything else is decimal.
// No byte reordering: the result is the 0x00BBGGRR value as written.
int ParseMarkupColor(const std::wstring& text);
