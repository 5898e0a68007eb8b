#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "richtext/CSomTextButton.h"
#include "skin/CSomBitmap.h"
#include "tests/richtext/ScreenPixels.h"
#include "tests/richtext/TestHostWindow.h"

namespace {

constexpr int kFrameWidth = 20;
constexpr int kFrameHeight = 10;
constexpr COLORREF kFrameColors[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};

// A 24-bit strip of three solid frames: normal, hover, pressed.
HBITMAP ThreeFrameStrip() {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 3 * kFrameWidth;
    bmi.bmiHeader.biHeight = -kFrameHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP strip = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!strip)
        return nullptr;
    const int stride = (3 * kFrameWidth * 3 + 3) & ~3;
    auto* rows = static_cast<BYTE*>(bits);
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < 3 * kFrameWidth; ++x) {
            const COLORREF c = kFrameColors[x / kFrameWidth];
            const BYTE bgr[] = {GetBValue(c), GetGValue(c), GetRValue(c)};
            std::memcpy(rows + y * stride + x * 3, bgr, 3);
        }
    }
    return strip;
}

// The background has no disabled frame: disabling a button greys its caption and leaves the
// frame of its hover and press as it is.
TEST(TextButton, DisablingKeepsTheBackgroundFrameOfTheHoverAndPress) {
    CSomBitmap back(L"", 3, CSomBitmap::kPng);
    back.m_hBitmap.Reset(ThreeFrameStrip());
    ASSERT_TRUE(back.m_hBitmap);
    back.m_cxFrame = kFrameWidth;
    back.m_cy = kFrameHeight;
    // Declared before the window, which detaches it when destroyed.
    CSomTextButton button;
    TestHostWindow host(200, 200, 100, 50);
    host.Add(button, SWS_VISIBLE | SWS_AUTOSIZE, 1, 10, 10);
    button.m_pBack = &back;
    button.UpdateLayout();
    ASSERT_EQ(button.m_rc.right - button.m_rc.left, kFrameWidth);

    const struct {
        bool hover, pressed;
        int frame;
    } cases[] = {{false, false, 0}, {true, false, 1}, {true, true, 2}, {false, true, 0}};
    for (const DWORD disabled : {DWORD{0}, DWORD{SWS_DISABLED}}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "hover " << c.hover << ", pressed " << c.pressed
                                            << ", disabled " << (disabled != 0));
            button.m_dwStyle = (button.m_dwStyle & ~DWORD{SWS_DISABLED}) | disabled;
            button.m_bHover = c.hover;
            button.m_bPressed = c.pressed;
            const ScreenPixels shot = ScreenPixels::PrintClient(host.m_hHost);
            EXPECT_EQ(shot.At(20, 15), Rgb(kFrameColors[c.frame]));
        }
    }
}

}  // namespace
