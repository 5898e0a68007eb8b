// How numbers group and separate: the part of a user's locale the program writes and reads
// numbers under, kept free of the platform so that it can be built anywhere.
#pragma once

#include <locale>
#include <string>

struct NumberFormat {
    wchar_t decimalPoint = L'.';
    wchar_t thousandsSep = L',';
    // std::numpunct grouping: each char one group size, counted from the right; the last repeats.
    std::string grouping;
};

// `base` with numpunct facets (narrow and wide) following `format`.
std::locale LocaleWithNumberFormat(const std::locale& base, const NumberFormat& format);
