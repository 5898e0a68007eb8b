#include "app/UserLocale.h"

#include <windows.h>

#include <climits>
#include <clocale>

namespace {

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
