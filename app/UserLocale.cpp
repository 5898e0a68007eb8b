#include "app/UserLocale.h"

#include <windows.h>

#include <climits>
#include <clocale>

namespace {

template <typename Char>
class UserNumpunct : public std::numpunct<Char> {
public:
    explicit UserNumpunct(const NumberFormat& format) : format_(format) {}

protected:
    Char do_decimal_point() const override { return Narrow(format_.decimalPoint, '.'); }
    Char do_thousands_sep() const override { return Narrow(format_.thousandsSep, ','); }
    // A group separator without a one-byte form groups nothing in narrow text: a stand-in
    // could equal the decimal point (a locale writing 1 234,5 would become 1,234,5).
    std::string do_grouping() const override {
        if constexpr (sizeof(Char) == 1) {
            if (format_.thousandsSep >= 0x80)
                return std::string();
        }
        return format_.grouping;
    }

private:
    // A decimal point outside ASCII has no one-byte form: fall back.
    static Char Narrow(wchar_t c, char fallback) {
        if constexpr (sizeof(Char) == 1) {
            return c < 0x80 ? static_cast<Char>(c) : fallback;
        } else {
            return static_cast<Char>(c);
        }
    }

    NumberFormat format_;
};

std::wstring LocaleString(LCTYPE type) {
    wchar_t buffer[32] = {};
    // The locale id form: Windows XP has no locale names.
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 32);
    return n > 1 ? std::wstring(buffer, static_cast<size_t>(n) - 1) : std::wstring();
}

}  // namespace

std::string GroupingFromWindows(const std::wstring& windowsGrouping) {
    std::string grouping;
    bool repeatLast = false;
    size_t start = 0;
    while (start <= windowsGrouping.size()) {
        const size_t end = std::min(windowsGrouping.find(L';', start), windowsGrouping.size());
        const std::wstring field = windowsGrouping.substr(start, end - start);
        const int size = field.empty() ? -1 : _wtoi(field.c_str());
        if (size == 0) {
            // A trailing 0 repeats the group before it.
            repeatLast = true;
            break;
        }
        if (size < 0 || size >= CHAR_MAX)
            break;
        grouping.push_back(static_cast<char>(size));
        start = end + 1;
    }
    // Without the trailing 0 the last group does not repeat: the rest stays ungrouped.
    if (!grouping.empty() && !repeatLast)
        grouping.push_back(CHAR_MAX);
    return grouping;
}

std::locale LocaleWithNumberFormat(const std::locale& base, const NumberFormat& format) {
    std::locale narrow(base, new UserNumpunct<char>(format));
    return std::locale(narrow, new UserNumpunct<wchar_t>(format));
}

NumberFormat UserDefaultNumberFormat() {
    NumberFormat format;
    const std::wstring decimal = LocaleString(LOCALE_SDECIMAL);
    const std::wstring thousand = LocaleString(LOCALE_STHOUSAND);
    if (!decimal.empty())
        format.decimalPoint = decimal[0];
    if (!thousand.empty())
        format.thousandsSep = thousand[0];
    format.grouping =
        thousand.empty() ? std::string() : GroupingFromWindows(LocaleString(LOCALE_SGROUPING));
    return format;
}

void ApplyUserDefaultLocale() {
    try {
        std::locale::global(
            LocaleWithNumberFormat(std::locale::classic(), UserDefaultNumberFormat()));
    } catch (...) {
        std::locale::global(std::locale::classic());
    }
    // The global C++ locale here has no name, so it does not reach the C runtime by itself.
    std::setlocale(LC_ALL, "");
}
