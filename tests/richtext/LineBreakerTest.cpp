#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "richtext/LineBreaker.h"
#include "richtext/LineJustifier.h"
#include "richtext/MarkupParser.h"
#include "richtext/SingleLineLayout.h"
#include "tests/support/WideUtf8.h"

namespace {

// Every character is 10 pixels wide except those listed; every font is 12 pixels high except
// font entry 7, which is 16.
class FixedWidthMeasurer : public TextMeasurer {
public:
    TextExtent Measure(FontHandle font, const wchar_t* text, int length) override {
        ++calls;
        TextExtent extent;
        for (int i = 0; i < length; ++i) {
            const auto width = m_widths.find(text[i]);
            extent.cx += width == m_widths.end() ? 10 : width->second;
        }
        extent.cy = font == FontOf(7) ? 16 : 12;
        return extent;
    }
    static FontHandle FontOf(int entry) {
        return reinterpret_cast<FontHandle>(static_cast<uintptr_t>(0x1000 + entry));
    }
    int calls = 0;

private:
    const std::map<wchar_t, int> m_widths = {
        {L'i', 5},   {L'W', 20},  {L'M', 300}, {L'z', 0},
        {L'，', 13}, {L'。', 13}, {L'”', 13},  {L'）', 13},
    };
};

const FontHandle kDefaultFont = FixedWidthMeasurer::FontOf(3);
constexpr int kLineHeight = 15;

struct Layout {
    std::vector<StyledRun> segments;
    int lines = 0;
};

// What the multi-line label does with its markup: break every run, then justify.
Layout BreakAndJustify(const std::wstring& markup, int lineWidth) {
    FixedWidthMeasurer measurer;
    LineBreaker breaker(measurer, kDefaultFont, lineWidth, kLineHeight);
    Layout layout;
    MarkupParser::Parse(markup.c_str(), FixedWidthMeasurer::FontOf,
                        [&](StyledRun&& run) { breaker.AddRun(run, layout.segments); });
    JustifyLines(layout.segments, lineWidth);
    layout.lines = breaker.CurrentLine() + 1;
    return layout;
}

std::wstring Repeat(const wchar_t* text, int times) {
    std::wstring out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// "text line left-right top-bottom", for comparing a whole layout at once.
std::string Describe(const StyledRun& s) {
    return testenv::Utf8(s.text) + " " + std::to_string(s.line) + " " + std::to_string(s.box.left) +
           "-" + std::to_string(s.box.right) + " " + std::to_string(s.box.top) + "-" +
           std::to_string(s.box.bottom);
}
std::vector<std::string> Describe(const Layout& layout) {
    std::vector<std::string> out;
    for (const StyledRun& s : layout.segments)
        out.push_back(Describe(s));
    return out;
}

int Sum(const std::vector<int>& values) {
    int sum = 0;
    for (int v : values)
        sum += v;
    return sum;
}

TEST(LineBreaker, ALineEndingExactlyAtTheWidthTakesNoFurtherCharacter) {
    const Layout layout = BreakAndJustify(Repeat(L"中", 26), 250);
    const std::vector<std::string> expected = {
        testenv::Utf8(Repeat(L"中", 25)) + " 0 0-250 3-15",
        "中 1 0-10 18-30",
    };
    EXPECT_EQ(Describe(layout), expected);
    EXPECT_EQ(layout.lines, 2);
    EXPECT_EQ(layout.segments[0].advances, std::vector<int>(25, 10));
}

TEST(LineBreaker, PunctuationThatMustNotStartALineHangsAfterTheFullLineUnjustified) {
    // "，" within the run that filled the line, and several in a row starting a new run.
    const Layout one = BreakAndJustify(Repeat(L"中", 25) + L"，后", 250);
    EXPECT_EQ(Describe(one),
              (std::vector<std::string>{testenv::Utf8(Repeat(L"中", 25)) + " 0 0-250 3-15",
                                        "， 0 250-263 3-15", "后 1 0-10 18-30"}));
    EXPECT_EQ(one.segments[0].advances, std::vector<int>(25, 10)) << "the line was justified";
    EXPECT_TRUE(one.segments[1].advances.empty());

    const Layout several = BreakAndJustify(
        Repeat(L"中", 24) + L"{&#color=7}。”）{&#font=7}）{&#/font}后{&#/color}", 245);
    EXPECT_EQ(Describe(several), (std::vector<std::string>{
                                     testenv::Utf8(Repeat(L"中", 24)) + " 0 0-240 3-15",
                                     "。 0 240-253 3-15", "” 0 253-266 3-15", "） 0 266-279 3-15",
                                     "） 0 279-292 -1-15", "后 1 0-10 18-30"}));
    EXPECT_EQ(several.segments[1].color, 7) << "a hung character keeps its own run's colour";
    EXPECT_EQ(several.segments[0].advances, std::vector<int>(24, 10));
}

TEST(LineBreaker, NarrowSlackWidensTheGapsBetweenSegments) {
    // Three segments ending at 245: slack 5 over two gaps gives 3 then 2.
    const Layout layout = BreakAndJustify(
        L"{&#color=1}AAAAAAAA{&#/color}{&#color=2}BBBBBBBB{&#/color}"
        L"{&#color=3}CCCCCCCCi{&#/color}next",
        250);
    EXPECT_EQ(Describe(layout),
              (std::vector<std::string>{"AAAAAAAA 0 0-80 3-15", "BBBBBBBB 0 83-163 3-15",
                                        "CCCCCCCCi 0 165-250 3-15", "next 1 0-40 18-30"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Sum(layout.segments[i].advances),
                  layout.segments[i].box.right - layout.segments[i].box.left)
            << "characters must not widen in gap mode";
}

TEST(LineBreaker, WideSlackStretchesTheCharacters) {
    // One segment ending at 240: 10 * 240 / 250 = 9 pixels spread over its 24 characters.
    const Layout one = BreakAndJustify(Repeat(L"中", 24) + L"W后", 250);
    ASSERT_EQ(one.segments.size(), 2u);
    EXPECT_EQ(Describe(one.segments[0]), testenv::Utf8(Repeat(L"中", 24)) + " 0 0-249 3-15");
    std::vector<int> advances(24, 10);
    for (int index : {0, 2, 5, 8, 10, 13, 16, 18, 21})
        advances[index] = 11;
    EXPECT_EQ(one.segments[0].advances, advances);

    // Two segments ending at 120 and 240 (slack 10 > 3): a 2-pixel gap, and the other 8
    // pixels in proportion to where each segment ends: 3 and 4.
    const Layout two = BreakAndJustify(
        L"{&#color=1}" + Repeat(L"中", 12) + L"{&#/color}" + Repeat(L"中", 12) + L"W后", 250);
    ASSERT_EQ(two.segments.size(), 3u);
    EXPECT_EQ(Describe(two.segments[0]), testenv::Utf8(Repeat(L"中", 12)) + " 0 0-123 3-15");
    EXPECT_EQ(Describe(two.segments[1]), testenv::Utf8(Repeat(L"中", 12)) + " 0 125-249 3-15");
    EXPECT_EQ(two.segments[0].advances,
              (std::vector<int>{11, 10, 10, 10, 11, 10, 10, 10, 11, 10, 10, 10}));
    EXPECT_EQ(Sum(two.segments[1].advances), 124);

    // Slack larger than a segment has characters: every advance grows alike (230 * 20 / 250
    // = 18 over two characters).
    const Layout wide = BreakAndJustify(L"abM", 250);
    ASSERT_EQ(wide.segments.size(), 2u);
    EXPECT_EQ(Describe(wide.segments[0]), "ab 0 0-38 3-15");
    EXPECT_EQ(wide.segments[0].advances, (std::vector<int>{19, 19}));
}

TEST(LineBreaker, TheLastLineStaysRagged) {
    const Layout layout = BreakAndJustify(Repeat(L"中", 24) + L"W中中", 250);
    ASSERT_EQ(layout.segments.size(), 2u);
    EXPECT_EQ(layout.segments[0].box.right, 249) << "the first line is justified";
    EXPECT_EQ(Describe(layout.segments[1]), testenv::Utf8(L"W中中") + " 1 0-40 18-30");
    EXPECT_EQ(layout.segments[1].advances, (std::vector<int>{20, 10, 10}));
}

TEST(LineBreaker, TextInATallerFontSitsOnTheSameBaselineOfItsLineBox) {
    const Layout layout = BreakAndJustify(L"ab{&#font=7}cd{&#/font}", 250);
    EXPECT_EQ(Describe(layout), (std::vector<std::string>{"ab 0 0-20 3-15", "cd 0 20-40 -1-15"}));
}

// A character wider than the line, or a line of no width, must neither loop nor be lost: it
// gets a line to itself and overflows it.
TEST(LineBreaker, CharactersThatCanNeverFitGetALineOfTheirOwn) {
    const struct {
        std::wstring markup;
        int width;
        std::vector<std::string> segments;
    } cases[] = {
        {L"abMcd", 250, {"ab 0 0-38 3-15", "M 1 0-300 18-30", "cd 2 0-20 33-45"}},
        {L"M", 250, {"M 0 0-300 3-15"}},
        {L"abc", 0, {"a 0 0-10 3-15", "b 1 0-10 18-30", "c 2 0-10 33-45"}},
        {L"ab", -5, {"a 0 0-10 3-15", "b 1 0-10 18-30"}},
        {L"a，，", 0, {"a 0 0-10 3-15", "， 0 10-23 3-15", "， 0 23-36 3-15"}},
        {L"zz", 0, {"zz 0 0-0 3-15"}},
    };
    for (const auto& c : cases) {
        const Layout layout = BreakAndJustify(c.markup, c.width);
        EXPECT_EQ(Describe(layout), c.segments) << testenv::Utf8(c.markup) << " in " << c.width;
    }
}

// A character of no width leaves the pen at the start of its line, yet the line has begun:
// punctuation after it, even in the next run, stays behind it instead of hanging on the line
// before.
TEST(LineBreaker, PunctuationAfterAZeroWidthLineStartStaysOnItsLine) {
    const Layout layout = BreakAndJustify(L"abMz{&#color=1}，{&#/color}", 250);
    EXPECT_EQ(Describe(layout), (std::vector<std::string>{"ab 0 0-38 3-15", "M 1 0-300 18-30",
                                                          "z 2 0-0 33-45", "， 2 0-13 33-45"}));
}

TEST(SingleLineLayout, RunsSitSideBySideOnACommonBottomEdge) {
    FixedWidthMeasurer measurer;
    std::vector<StyledRun> runs;
    MarkupParser::Parse(L"ab{&#font=7}cde{&#/font}f", FixedWidthMeasurer::FontOf,
                        [&](StyledRun&& run) { runs.push_back(std::move(run)); });
    const TextExtent size = LayoutSingleLine(runs, kDefaultFont, measurer);
    EXPECT_EQ(size.cx, 60);
    EXPECT_EQ(size.cy, 16);
    std::vector<std::string> boxes;
    for (const StyledRun& run : runs)
        boxes.push_back(Describe(run));
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"ab 0 0-20 4-16", "cde 0 20-50 0-16", "f 0 50-60 4-16"}));

    std::vector<StyledRun> none;
    const TextExtent empty = LayoutSingleLine(none, kDefaultFont, measurer);
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(empty.cy, 0);
}

}  // namespace
