#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "skin/FontTable.h"
#include "tests/support/TestEnv.h"

namespace {

// A global built before every global of default priority, wherever it lives, reads the table.
struct EarlyUser {
    HFONT font = FontTable::Font(FontTable::kDefaultEntry);
};
EarlyUser g_earlyUser __attribute__((init_priority(101)));

LOGFONTW Describe(HFONT font) {
    LOGFONTW lf{};
    EXPECT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
    return lf;
}

TEST(FontTable, FaceFollowsTheReportedWindowsVersion) {
    const struct {
        DWORD version;
        const wchar_t* face;
    } cases[] = {
        {0x1DB10106, L"微软雅黑"},  // 6.1 build 7601: Windows 7
        {0x17700006, L"微软雅黑"},  // 6.0: Vista
        {0x0A280105, L"Tahoma"},    // 5.1: XP
        {0x00000205, L"Tahoma"},    // 5.2
        {0x23F0000A, L"Tahoma"},    // 10.0
        {0x80000006, L"Tahoma"},    // high bit set: not an NT system
    };
    for (const auto& c : cases) {
        const FontTable table(c.version);
        for (int entry = FontTable::kFirstEntry; entry <= FontTable::kLastEntry; ++entry) {
            ASSERT_NE(table.Get(entry), nullptr) << entry;
            EXPECT_EQ(std::wstring(Describe(table.Get(entry)).lfFaceName), c.face)
                << std::hex << c.version << " entry " << entry;
        }
    }
}

TEST(FontTable, EntriesDifferFromTheStockFontOnlyInHeightAndWeight) {
    LOGFONTW stock{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    const struct {
        LONG height;
        LONG weight;
    } expected[] = {
        {-11, stock.lfWeight},
        {-11, 700},
        {-12, 400},
        {-12, 700},
        {-13, 400},
        {-13, 700},
        {-16, 400},
        {-16, 700},
    };
    const FontTable& table = FontTable::Process();
    for (int entry = 1; entry <= 8; ++entry) {
        const LOGFONTW lf = Describe(table.Get(entry));
        EXPECT_EQ(lf.lfHeight, expected[entry - 1].height) << entry;
        EXPECT_EQ(lf.lfWeight, expected[entry - 1].weight) << entry;
        EXPECT_EQ(std::wstring(lf.lfFaceName), L"微软雅黑") << "Wine reports Windows 7";
        EXPECT_EQ(lf.lfCharSet, stock.lfCharSet);
        EXPECT_EQ(lf.lfQuality, stock.lfQuality);
        EXPECT_EQ(lf.lfPitchAndFamily, stock.lfPitchAndFamily);
        EXPECT_EQ(lf.lfItalic, stock.lfItalic);
    }
    EXPECT_EQ(table.Get(0), nullptr);
    EXPECT_EQ(table.Get(9), nullptr);
    EXPECT_EQ(FontTable::Font(3), table.Get(3));
}

TEST(FontTable, IsBuiltForTheFirstUserEvenAGlobalBuiltBeforeIt) {
    EXPECT_NE(g_earlyUser.font, nullptr);
    EXPECT_EQ(g_earlyUser.font, FontTable::Font(FontTable::kDefaultEntry));
}

}  // namespace
