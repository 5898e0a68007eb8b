#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "richtext/CSomTextWnd.h"
#include "tests/richtext/ScreenPixels.h"
#include "tests/richtext/TestHostWindow.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr int kLabelX = 10;
constexpr int kLabelY = 10;

class TextWnd : public ::testing::Test {
protected:
    TextWnd() : host(200, 200, 400, 100) {
        host.Add(label, SWS_VISIBLE | SWS_AUTOSIZE, 0, kLabelX, kLabelY);
    }

    // Centre of run `index` in the host's client coordinates.
    POINT RunCentre(int index) const {
        const RunBox& b = label.m_runs[index].box;
        return {kLabelX + (b.left + b.right) / 2, kLabelY + (b.top + b.bottom) / 2};
    }
    void Hover(int index) {
        const POINT pt = RunCentre(index);
        host.MouseMove(pt.x, pt.y);
    }
    // Presses on run `from`, drags to run `to` (or to `outside`) and releases there.
    void Drag(int from, POINT to) {
        const POINT down = RunCentre(from);
        host.ButtonDown(down.x, down.y);
        host.MouseMove(to.x, to.y);
        host.ButtonUp(to.x, to.y);
    }
    // True when some pixel of run `index`, as the label paints now, has exactly `color`.
    bool RunShows(int index, COLORREF color) const {
        const ScreenPixels shot = ScreenPixels::PrintClient(host.m_hHost);
        const RunBox& b = label.m_runs[index].box;
        for (int y = kLabelY + b.top; y < kLabelY + b.bottom; ++y) {
            for (int x = kLabelX + b.left; x < kLabelX + b.right; ++x) {
                if (shot.At(x, y) == Rgb(color))
                    return true;
            }
        }
        return false;
    }

    // Declared first so that it outlives the window, which detaches it when destroyed.
    CSomTextWnd label;
    TestHostWindow host;
};

TEST_F(TextWnd, RunsOfDifferentFontsShareTheBottomEdgeAndTheLabelSizesToThem) {
    label.SetText(L"{&#font=8}大字{&#/font}小字");
    ASSERT_EQ(label.m_runs.size(), 2u);
    const RunBox& big = label.m_runs[0].box;
    const RunBox& small = label.m_runs[1].box;
    EXPECT_EQ(big.top, 0);
    EXPECT_GT(small.top, big.top);
    EXPECT_EQ(small.bottom, big.bottom);
    EXPECT_EQ(small.left, big.right);
    EXPECT_EQ(label.m_rc.right - label.m_rc.left, small.right);
    EXPECT_EQ(label.m_rc.bottom - label.m_rc.top, big.bottom);

    label.SetText(L"");
    EXPECT_TRUE(label.m_runs.empty());
    EXPECT_EQ(label.m_rc.right - label.m_rc.left, 0);
    EXPECT_EQ(label.m_rc.bottom - label.m_rc.top, 0);
}

TEST_F(TextWnd, AWidthLimitClipsTheLabelAndEndsTheTextInAnEllipsis) {
    label.m_nMaxWidth = 100;
    label.SetText(L"第一段文字{&#color=0xFF}第二段很长的文字{&#/color}第三段文字也在这里");
    ASSERT_EQ(label.m_runs.size(), 3u);
    ASSERT_LT(label.m_runs[1].box.left, 100);
    ASSERT_GT(label.m_runs[1].box.right, 100);
    EXPECT_EQ(label.m_rc.right - label.m_rc.left, 100);

    // Draw the label unclipped by its own rectangle: nothing may reach past the limit.
    label.m_rc.right = label.m_rc.left + 300;
    const ScreenPixels shot = ScreenPixels::PrintClient(host.m_hHost);
    bool inked = false;
    bool beyond = false;
    bool red = false;
    for (int y = label.m_rc.top; y < label.m_rc.bottom; ++y) {
        for (int x = label.m_rc.left; x < label.m_rc.left + 300; ++x) {
            const uint32_t c = shot.At(x, y);
            if (c != 0xFFFFFF && x < label.m_rc.left + 100)
                inked = true;
            if (c != 0xFFFFFF && x >= label.m_rc.left + 100)
                beyond = true;
            if (c == 0xFF0000)
                red = true;
        }
    }
    EXPECT_TRUE(inked);
    EXPECT_TRUE(red) << "the clipped run is drawn up to the limit";
    EXPECT_FALSE(beyond) << "text drawn beyond the width limit";
}

TEST_F(TextWnd, LinksShowTheHandAndTheHoverColourOnlyUnderThePointer) {
    label.SetText(L"{&#a=button:101}前往{&#/a}普通文字{&#a=button:102}设置{&#/a}");
    ASSERT_EQ(label.m_runs.size(), 3u);
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    const POINT link = RunCentre(0);
    const POINT plain = RunCentre(1);
    EXPECT_EQ(host.CursorAt(link.x, link.y), hand);
    EXPECT_NE(host.CursorAt(plain.x, plain.y), hand);
    EXPECT_NE(host.CursorAt(300, 50), hand);

    EXPECT_TRUE(RunShows(0, label.m_crLink));
    EXPECT_FALSE(RunShows(0, label.m_crHover));
    Hover(0);
    EXPECT_EQ(label.m_nHoverRun, 0);
    EXPECT_TRUE(RunShows(0, label.m_crHover));
    EXPECT_FALSE(RunShows(0, label.m_crLink));
    EXPECT_TRUE(RunShows(2, label.m_crLink)) << "only the run under the pointer changes";
    EXPECT_TRUE(RunShows(1, label.m_crText));

    Hover(2);
    EXPECT_EQ(label.m_nHoverRun, 2);
    EXPECT_TRUE(RunShows(0, label.m_crLink));
    EXPECT_TRUE(RunShows(2, label.m_crHover));

    Hover(1);
    EXPECT_EQ(label.m_nHoverRun, -1) << "a plain run clears the hover";
    EXPECT_TRUE(RunShows(2, label.m_crLink));

    Hover(0);
    host.MouseMove(300, 50);
    EXPECT_EQ(label.m_nHoverRun, -1) << "leaving the label clears the hover";
    EXPECT_TRUE(RunShows(0, label.m_crLink));
}

TEST_F(TextWnd, SpaceAboveAShortRunKeepsTheHover) {
    label.SetText(L"{&#font=8}高{&#/font}{&#a=button:7}矮{&#/a}");
    ASSERT_EQ(label.m_runs.size(), 2u);
    ASSERT_GT(label.m_runs[1].box.top, 0);
    Hover(1);
    ASSERT_EQ(label.m_nHoverRun, 1);
    host.MouseMove(RunCentre(1).x, kLabelY);
    EXPECT_EQ(label.m_nHoverRun, 1);
}

TEST_F(TextWnd, TheLinkUnderThePointerWhenTheButtonIsReleasedIsActivated) {
    label.SetText(L"{&#a=button:101}前往{&#/a}普通文字{&#a=button:102}设置{&#/a}");
    ASSERT_EQ(label.m_runs.size(), 3u);
    const WPARAM first = MAKEWPARAM(101, 0);
    const WPARAM second = MAKEWPARAM(102, 0);
    const LPARAM sender = reinterpret_cast<LPARAM>(&label);
    const struct {
        const char* what;
        int from;
        POINT to;
        std::vector<WPARAM> commands;
    } cases[] = {
        {"press and release on A", 0, RunCentre(0), {first}},
        {"press A, release on B", 0, RunCentre(2), {second}},
        {"press B, release on A", 2, RunCentre(0), {first}},
        {"press A, release on plain text", 0, RunCentre(1), {}},
        {"press A, release outside the label", 0, {300, 50}, {}},
    };
    for (const auto& c : cases) {
        host.m_commands.clear();
        Drag(c.from, c.to);
        std::vector<WPARAM> seen;
        for (const auto& command : host.m_commands) {
            seen.push_back(command.wParam);
            EXPECT_EQ(command.lParam, sender) << c.what;
        }
        EXPECT_EQ(seen, c.commands) << c.what;
        EXPECT_EQ(label.m_nPressedRun, -1) << c.what;
        EXPECT_NE(GetCapture(), host.m_hHost) << c.what;
        host.MouseMove(300, 50);
    }
}

TEST_F(TextWnd, ACaptureTakenByAnotherWindowCancelsTheLinkPress) {
    label.SetText(L"{&#a=button:101}前往{&#/a}");
    const POINT at = RunCentre(0);
    host.ButtonDown(at.x, at.y);
    ASSERT_EQ(label.m_nPressedRun, 0);
    TestHostWindow thief(0, 0, 40, 40);
    ::SetCapture(thief.m_hHost);
    EXPECT_EQ(label.m_nPressedRun, -1);
    ::ReleaseCapture();
    host.ButtonUp(at.x, at.y);
    EXPECT_TRUE(host.m_commands.empty()) << "nothing was released over the link";
}

TEST_F(TextWnd, CommandNumbersInHexadecimalAndDecimalAreTheSame) {
    for (const wchar_t* markup :
         {L"{&#a=button:0x0401}最小化安装{&#/a}", L"{&#a=button:1025}最小化安装{&#/a}"}) {
        host.m_commands.clear();
        label.SetText(markup);
        Drag(0, RunCentre(0));
        ASSERT_EQ(host.m_commands.size(), 1u) << testenv::Utf8(markup);
        EXPECT_EQ(host.m_commands[0].wParam, MAKEWPARAM(0x0401, 0)) << testenv::Utf8(markup);
    }
}

TEST_F(TextWnd, SameMarkupChangesNothingAndNewMarkupCancelsAPress) {
    const wchar_t* markup = L"{&#a=button:9}链接{&#/a}";
    label.SetText(markup);
    Hover(0);
    ASSERT_EQ(label.m_nHoverRun, 0);
    const StyledRun* runs = label.m_runs.data();
    label.SetText(std::wstring(markup).c_str());
    EXPECT_EQ(label.m_nHoverRun, 0) << "the same markup must not reset the hover";
    EXPECT_EQ(label.m_runs.data(), runs) << "the same markup must not be parsed again";

    host.m_commands.clear();
    const POINT pt = RunCentre(0);
    host.ButtonDown(pt.x, pt.y);
    ASSERT_EQ(label.m_nPressedRun, 0);
    ASSERT_EQ(GetCapture(), host.m_hHost);
    label.SetText(L"{&#a=button:10}另一个链接{&#/a}");
    EXPECT_EQ(label.m_nPressedRun, -1);
    EXPECT_EQ(label.m_nHoverRun, -1);
    EXPECT_NE(GetCapture(), host.m_hHost);
    host.ButtonUp(pt.x, pt.y);
    EXPECT_TRUE(host.m_commands.empty()) << "replacing the text activated a link";
}

}  // namespace
