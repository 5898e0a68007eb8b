#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <sstream>

#include "app/UserLocale.h"

namespace {

TEST(UserLocale, WindowsGroupingBecomesNumpunctGrouping) {
    const struct {
        const wchar_t* windows;
        std::string expected;
    } cases[] = {
        {L"3;0", "\3"},
        {L"3;2;0", std::string("\3\2")},
        {L"3", std::string("\3") + char(CHAR_MAX)},
        {L"3;2", std::string("\3\2") + char(CHAR_MAX)},
        {L"0", ""},
        {L"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GroupingFromWindows(c.windows), c.expected)
            << testing::PrintToString(std::wstring(c.windows));
    }
}

TEST(UserLocale, NumbersWriteAndReadBackWithGroupSeparators) {
    const struct {
        std::string grouping;
        std::int64_t value;
        const char* text;
    } cases[] = {
        {"\3", 3263823872, "3,263,823,872"},
        {"\3\2", 3263823872, "3,26,38,23,872"},
        {"", 3263823872, "3263823872"},
        {"\3", 999, "999"},
    };
    for (const auto& c : cases) {
        NumberFormat format;
        format.grouping = c.grouping;
        const std::locale locale = LocaleWithNumberFormat(std::locale::classic(), format);
        std::ostringstream out;
        out.imbue(locale);
        out << c.value;
        EXPECT_EQ(out.str(), c.text);
        std::istringstream in(out.str());
        in.imbue(locale);
        std::int64_t back = 0;
        in >> back;
        EXPECT_EQ(back, c.value) << c.text;
    }
}

TEST(UserLocale, AGroupSeparatorOutsideAsciiGroupsNothingInNarrowText) {
    NumberFormat format;
    format.decimalPoint = L',';
    format.thousandsSep = L'\u00A0';
    format.grouping = "\3";
    const std::locale locale = LocaleWithNumberFormat(std::locale::classic(), format);
    std::ostringstream out;
    out.imbue(locale);
    out << std::int64_t{3263823872} << ' ' << 2.5;
    EXPECT_EQ(out.str(), "3263823872 2,5") << "no separator that reads as the decimal point";
    std::wostringstream wide;
    wide.imbue(locale);
    wide << std::int64_t{3263823872};
    EXPECT_EQ(wide.str(), L"3\u00A0263\u00A0823\u00A0872") << "wide text keeps its groups";
}

// Runs with the Chinese user default the target systems have (as the test prefix is set up).
TEST(UserLocale, UserDefaultGroupsByThousandsWithCommas) {
    const NumberFormat format = UserDefaultNumberFormat();
    EXPECT_EQ(format.thousandsSep, L',');
    EXPECT_EQ(format.decimalPoint, L'.');
    EXPECT_EQ(format.grouping, "\3");

    ApplyUserDefaultLocale();
    std::ostringstream out;
    out << std::int64_t{3263823872};
    EXPECT_EQ(out.str(), "3,263,823,872");
    std::locale::global(std::locale::classic());
}

}  // namespace
