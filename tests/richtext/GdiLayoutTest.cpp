#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "richtext/GdiTextMeasurer.h"
#include "richtext/LineBreaker.h"
#include "richtext/LineJustifier.h"
#include "richtext/MarkupParser.h"
#include "skin/FontTable.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr int kLineHeight = 15;
const std::wstring kMessage =
    L"检测到你的系统不支持安装WindowsXP，请选择安装Windows7旗舰版，更安全稳定";

int CharWidth(HDC dc, HFONT font, wchar_t c) {
    const HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, &c, 1, &size);
    SelectObject(dc, previous);
    return size.cx;
}

// The warning message laid out with the real fonts at several widths: the same arithmetic as
// with the fixed measurer, now fed by GDI, must still fill every line but the last.
TEST(GdiLayout, AChineseParagraphBreaksAndJustifiesWithRealFontMetrics) {
    const HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    const HFONT font = FontTable::Font(5);
    ASSERT_NE(CharWidth(dc, font, L'检'), CharWidth(dc, font, L'i'))
        << "Chinese text is not measured in a Chinese font";
    const std::wstring markup = L"{&#color=0x323232}{&#font=5}" + kMessage + L"{&#/font}{&#/color}";

    for (int width : {250, 236, 200, 150}) {
        SCOPED_TRACE("line width " + std::to_string(width));
        GdiTextMeasurer measurer(dc);
        LineBreaker breaker(measurer, FontTable::Font(3), width, kLineHeight);
        std::vector<StyledRun> segments;
        MarkupParser::Parse(
            markup.c_str(), [](int entry) -> FontHandle { return FontTable::Font(entry); },
            [&](StyledRun&& run) { breaker.AddRun(run, segments); });
        const std::vector<StyledRun> natural = segments;
        JustifyLines(segments, width);

        const int lineCount = breaker.CurrentLine() + 1;
        ASSERT_GE(lineCount, 2);
        std::vector<std::wstring> lines(lineCount);
        std::vector<int> lineWidth(lineCount, 0);
        std::vector<bool> hung(lineCount, false);
        for (const StyledRun& s : natural) {
            lines[s.line] += s.text;
            EXPECT_EQ(s.box.bottom, (s.line + 1) * kLineHeight);
            if (s.advances.empty()) {
                hung[s.line] = true;
                continue;
            }
            for (size_t k = 0; k < s.text.size(); ++k)
                EXPECT_EQ(s.advances[k], CharWidth(dc, font, s.text[k]));
            lineWidth[s.line] = s.box.right;
        }
        std::wstring all;
        for (const std::wstring& line : lines)
            all += line;
        EXPECT_EQ(all, kMessage);

        for (int line = 0; line + 1 < lineCount; ++line) {
            EXPECT_LE(lineWidth[line], width);
            EXPECT_FALSE(LineBreaker::IsNoLineStart(lines[line + 1][0]));
            if (!hung[line]) {
                EXPECT_GT(lineWidth[line] + CharWidth(dc, font, lines[line + 1][0]), width)
                    << "line " << line << " broke early";
            }
        }
        for (size_t i = 0; i < segments.size(); ++i) {
            const StyledRun& s = segments[i];
            EXPECT_EQ(s.color, 0x323232);
            EXPECT_EQ(s.font, font);
            const bool lastLine = s.line == lineCount - 1;
            if (lastLine || hung[s.line]) {
                EXPECT_EQ(s.box.left, natural[i].box.left) << "line " << s.line << " moved";
                EXPECT_EQ(s.box.right, natural[i].box.right) << "line " << s.line << " moved";
                EXPECT_EQ(s.advances, natural[i].advances);
                continue;
            }
            int sum = 0;
            for (int advance : s.advances)
                sum += advance;
            EXPECT_EQ(sum, s.box.right - s.box.left) << "advances span the justified box";
            // One segment per line here: stretching loses at most a pixel to rounding.
            EXPECT_GE(s.box.right, width - 1) << "line " << s.line << " not justified";
            EXPECT_LE(s.box.right, width);
        }
    }
    DeleteDC(dc);
}

}  // namespace
