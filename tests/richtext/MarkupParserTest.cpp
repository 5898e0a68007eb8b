#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "richtext/LinkTarget.h"
#include "richtext/MarkupParser.h"
#include "tests/support/WideUtf8.h"

namespace {

// Font entry n appears in runs as a recognisable fake handle, so a run's font can be read back
// as its entry number (0 = no font).
FontHandle FakeFont(int entry) {
    return reinterpret_cast<FontHandle>(static_cast<uintptr_t>(0x1000 + entry));
}
int EntryOf(FontHandle font) {
    return font ? static_cast<int>(reinterpret_cast<uintptr_t>(font) - 0x1000) : 0;
}

struct Expected {
    std::wstring text;
    int font;
    int color;
    std::wstring link;
};

struct ParseCase {
    const wchar_t* markup;
    std::vector<Expected> runs;
};

std::vector<Expected> ParseToRuns(const wchar_t* markup) {
    std::vector<Expected> runs;
    MarkupParser::Parse(markup, FakeFont, [&](StyledRun&& run) {
        runs.push_back({run.text, EntryOf(run.font), run.color, run.link});
    });
    return runs;
}

std::string Describe(const std::vector<Expected>& runs) {
    std::string out;
    for (const Expected& run : runs) {
        out += "[" + testenv::Utf8(run.text) + " font " + std::to_string(run.font) + " color " +
               std::to_string(run.color) + " link " + testenv::Utf8(run.link) + "]";
    }
    return out;
}

TEST(MarkupParser, TurnsMarkupIntoRunsWithFontColourAndLink) {
    const ParseCase cases[] = {
        {nullptr, {}},
        {L"", {}},
        {L"abc", {{L"abc", 0, -1, L""}}},
        // Font numbers: only 1 to 8 select an entry; others leave the font as it was.
        {L"{&#font=9}x", {{L"x", 0, -1, L""}}},
        {L"{&#font=0}x", {{L"x", 0, -1, L""}}},
        {L"{&#font=8}x", {{L"x", 8, -1, L""}}},
        {L"{&#font=6}{&#font=9}x{&#/font}y", {{L"x", 6, -1, L""}, {L"y", 0, -1, L""}}},
        {L"{&#font=5px}x", {{L"x", 5, -1, L""}}},
        // Pops of bottom entries are ignored.
        {L"{&#/font}{&#/color}{&#/a}x", {{L"x", 0, -1, L""}}},
        // Colour numbers: "#" and "0x" are hexadecimal, anything else decimal, as wcstol reads.
        {L"{&#COLOR=#0000FF}x", {{L"x", 0, 0x0000FF, L""}}},
        {L"{&#color=0x484848}x", {{L"x", 0, 0x484848, L""}}},
        {L"{&#color=0X0080ff}x", {{L"x", 0, 0x0080FF, L""}}},
        {L"{&#color=4210752}x", {{L"x", 0, 4210752, L""}}},
        {L"{&#color= 12}x", {{L"x", 0, 12, L""}}},
        {L"{&#color=-1}x", {{L"x", 0, -1, L""}}},
        {L"{&#color=0xFFFFFFFF}x", {{L"x", 0, 2147483647, L""}}},
        {L"{&#color=-99999999999}x", {{L"x", 0, -2147483647 - 1, L""}}},
        {L"{&#color=red}x", {{L"x", 0, 0, L""}}},
        {L"{&#color=1}{&#color=2}a{&#/color}b{&#/color}c",
         {{L"a", 0, 2, L""}, {L"b", 0, 1, L""}, {L"c", 0, -1, L""}}},
        // The four stacks are independent: closing order does not matter.
        {L"{&#color=0x10}{&#font=3}a{&#/color}b{&#/font}c",
         {{L"a", 3, 0x10, L""}, {L"b", 3, -1, L""}, {L"c", 0, -1, L""}}},
        // Links: an empty target ends the link; every "/a" pops one level.
        {L"{&#a=x}y{&#a=}z{&#/a}w{&#/a}v",
         {{L"y", 0, -1, L"x"}, {L"z", 0, -1, L""}, {L"w", 0, -1, L"x"}, {L"v", 0, -1, L""}}},
        {L"{&#a=\"http://example.org/\"}site{&#/a}",
         {{L"site", 0, -1, L"\"http://example.org/\""}}},
        {L"{&#A=Target}x", {{L"x", 0, -1, L"Target"}}},
        {L"{&#acolor=0x0000ff}{&#a=t}y{&#/acolor}z{&#/a}",
         {{L"y", 0, 0x0000FF, L"t"}, {L"z", 0, -1, L"t"}}},
        // Inside a link "color=" has no visible effect.
        {L"{&#font=6}{&#color=0x00888888}{&#a=button:0x0401}最小化安装{&#/a}{&#/color}{&#/font}",
         {{L"最小化安装", 6, -1, L"button:0x0401"}}},
        // Prefix matching: a body that begins with a tag word is that tag.
        {L"{&#font=2}a{&#/fontx}b", {{L"a", 2, -1, L""}, {L"b", 0, -1, L""}}},
        {L"{&#a=t}a{&#/ab}b", {{L"a", 0, -1, L"t"}, {L"b", 0, -1, L""}}},
        // Every tag ends the pending run, recognised or not.
        {L"ab{&#x}cd", {{L"ab", 0, -1, L""}, {L"cd", 0, -1, L""}}},
        {L"a{&#b}c", {{L"a", 0, -1, L""}, {L"c", 0, -1, L""}}},
        // A "{&#" with no "}" after it is text; a tag ends at the first "}".
        {L"a{&#b", {{L"a{&#b", 0, -1, L""}}},
        {L"{{&#font=2}x", {{L"{", 0, -1, L""}, {L"x", 2, -1, L""}}},
        {L"{&#a=u}v}w{&#/a}", {{L"v}w", 0, -1, L"u"}}},
        {L"line\nfeed", {{L"line\nfeed", 0, -1, L""}}},
        // The program's own choice label.
        {L"{&#font=6}{&#color=0x484848}Win7旗舰版{&#/color}（{&#color=0x0080ff}推荐{&#/color}）"
         L"{&#/font}",
         {{L"Win7旗舰版", 6, 0x484848, L""},
          {L"（", 6, -1, L""},
          {L"推荐", 6, 0x0080FF, L""},
          {L"）", 6, -1, L""}}},
    };
    for (const ParseCase& c : cases) {
        const std::vector<Expected> runs = ParseToRuns(c.markup);
        EXPECT_EQ(Describe(runs), Describe(c.runs))
            << "markup: " << (c.markup ? testenv::Utf8(c.markup) : "(null)");
    }
}

TEST(LinkTarget, CommandsByNumberWebAddressesToTheShellAndNothingElse) {
    using Kind = LinkTarget::Kind;
    const struct {
        const wchar_t* target;
        Kind kind;
        unsigned short command;
    } cases[] = {
        {L"button:0x0401", Kind::kCommand, 0x0401},
        {L"button:1025", Kind::kCommand, 0x0401},
        {L"BUTTON:0X0401", Kind::kCommand, 0x0401},
        {L"button:0x10401", Kind::kCommand, 0x0401},
        {L"button:257", Kind::kCommand, 257},
        {L"button:#12", Kind::kCommand, 0},
        {L"button:", Kind::kCommand, 0},
        {L"http://example.org/", Kind::kWebAddress, 0},
        {L"HTTPS://example.org/a?b=c", Kind::kWebAddress, 0},
        {L"\"http://example.org/\"", Kind::kWebAddress, 0},
        {L"", Kind::kRefused, 0},
        {L"http://", Kind::kRefused, 0},
        {L"C:\\windows\\system32\\cmd.exe", Kind::kRefused, 0},
        {L"file:///C:/windows/system32/cmd.exe", Kind::kRefused, 0},
        {L"cmd.exe", Kind::kRefused, 0},
        {L"javascript:alert(1)", Kind::kRefused, 0},
        {L"http://example.org/ --flag", Kind::kRefused, 0},
        {L"\"http://example.org/\" --flag", Kind::kRefused, 0},
        {L"http://example.org/\"&calc", Kind::kRefused, 0},
    };
    for (const auto& c : cases) {
        const LinkTarget link = LinkTarget::Classify(c.target);
        EXPECT_EQ(link.kind, c.kind) << testenv::Utf8(c.target);
        EXPECT_EQ(link.command, c.command) << testenv::Utf8(c.target);
    }
}

}  // namespace
