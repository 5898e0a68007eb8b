#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/CSomBitmap.h"
#include "skin/CSomBitmap9Part.h"
#include "skin/CSomButton4.h"
#include "skin/CSomImageWnd.h"
#include "skin/CSomProgressCtrl.h"
#include "skin/FontTable.h"
#include "skin/GdiHandle.h"
#include "skin/SkinImages.h"
#include "tests/skin/SkinHostWindow.h"
#include "tests/skin/TestPng.h"

namespace {

// A 32-bit top-down DIB selected into a memory DC, cleared to one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : m_width(width), m_height(height) {
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = -height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap.Reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<DWORD*>(bits);
        m_dc.Reset(CreateCompatibleDC(nullptr));
        m_previous = SelectObject(m_dc.Get(), m_bitmap.Get());
        for (int i = 0; i < width * height; ++i)
            m_bits[i] = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
    }
    ~Canvas() { SelectObject(m_dc.Get(), m_previous); }
    HDC Dc() const { return m_dc.Get(); }
    COLORREF At(int x, int y) const {
        GdiFlush();
        return PixelColor(m_bits[y * m_width + x]);
    }
    std::vector<COLORREF> Column(int x) const {
        std::vector<COLORREF> column;
        for (int y = 0; y < m_height; ++y)
            column.push_back(At(x, y));
        return column;
    }

private:
    int m_width;
    int m_height;
    gdi::Bitmap m_bitmap;
    gdi::MemoryDC m_dc;
    HGDIOBJ m_previous = nullptr;
    DWORD* m_bits = nullptr;
};

// A width x height RGB strip whose column c has the colour (c, 100, 200).
std::wstring WriteStrip(const wchar_t* name, int width, int height) {
    std::vector<BYTE> rows;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rows.push_back(static_cast<BYTE>(x));
            rows.push_back(100);
            rows.push_back(200);
        }
    }
    const std::wstring path = std::wstring(L".\\") + name;
    WriteBytes(path, EncodePng(width, height, 3, rows));
    return path;
}

}  // namespace

TEST(SkinBitmap, FrameWidthIsTheImageWidthDividedByTheFrameCount) {
    const std::wstring path = WriteStrip(L"skin-strip-100.png", 100, 4);
    struct Case {
        WORD frames;
        int frameWidth;
        int frame;
        int firstColumn;
    } cases[] = {{4, 25, 3, 75}, {3, 33, 2, 66}, {1, 100, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frames);
        CSomBitmap strip(path.c_str(), c.frames, CSomBitmap::kPng);
        strip.EnsureLoaded();
        EXPECT_EQ(strip.m_cxFrame, c.frameWidth);
        EXPECT_EQ(strip.m_cy, 4);
        EXPECT_EQ(strip.m_bAlpha, 0) << "an RGB image without tRNS stays 24-bit";
        Canvas canvas(120, 4, RGB(1, 2, 3));
        strip.DrawFrame(canvas.Dc(), 0, 0, c.frame);
        EXPECT_EQ(canvas.At(0, 0), RGB(c.firstColumn, 100, 200));
        EXPECT_EQ(canvas.At(c.frameWidth - 1, 0), RGB(c.firstColumn + c.frameWidth - 1, 100, 200));
        EXPECT_EQ(canvas.At(c.frameWidth, 0), RGB(1, 2, 3)) << "nothing beyond one frame";
    }
}

TEST(SkinBitmap, ProgressImagesKeepTheirEndsAndStretchTheMiddle) {
    CSomBitmapHorizen3Part& track = SkinImages::ProgressTrack();
    CSomBitmapHorizen3Part& fill = SkinImages::ProgressFill();
    track.EnsureLoaded();
    fill.EnsureLoaded();
    ASSERT_EQ(track.m_cxFrame, 18);
    ASSERT_EQ(track.m_cy, 15);
    EXPECT_EQ(fill.m_bAlpha, 1);

    for (CSomBitmap* image : {static_cast<CSomBitmap*>(&track), static_cast<CSomBitmap*>(&fill)}) {
        Canvas stretched(18, 15, RGB(9, 9, 9));
        Canvas plain(18, 15, RGB(9, 9, 9));
        image->DrawHorizontal(stretched.Dc(), 0, 0, 18, 0);
        image->DrawFrame(plain.Dc(), 0, 0, 0);
        for (int x = 0; x < 18; ++x)
            EXPECT_EQ(stretched.Column(x), plain.Column(x)) << "column " << x;
    }

    // Ends keep their columns at any width: the right end always ends at x + cx.
    Canvas wide(100, 15, RGB(9, 9, 9));
    Canvas plain(18, 15, RGB(9, 9, 9));
    track.DrawHorizontal(wide.Dc(), 0, 0, 100, 0);
    track.DrawFrame(plain.Dc(), 0, 0, 0);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(wide.Column(x), plain.Column(x));
        EXPECT_EQ(wide.Column(96 + x), plain.Column(14 + x));
    }
    EXPECT_EQ(wide.Column(50), plain.Column(9)) << "the middle is the stretched centre colour";
}

TEST(SkinProgress, FillWidthFollowsThePosition) {
    struct Case {
        int pos;
        int fillEnd;  // first column showing only the track
    } cases[] = {{50, 206}, {1, 4}, {0, 0}, {100, 412}};
    SkinHostWindow host(440, 40);
    CSomProgressCtrl track;
    host.Add(track, SWS_VISIBLE | SWS_TRANSPARENT, 1, 10, 10, 412, 20);
    track.m_nRange = 0;
    const auto trackOnly = host.Print();
    EXPECT_EQ(PixelColor(host.At(trackOnly, 100, 26)), SkinHostWindow::kBackground)
        << "below the 15-pixel images the background shows";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pos);
        track.m_nRange = 100;
        track.m_nPos = c.pos;
        const auto pixels = host.Print();
        for (int x = c.fillEnd; x < 412; x += 7)
            ASSERT_EQ(host.At(pixels, 10 + x, 17), host.At(trackOnly, 10 + x, 17)) << x;
        if (c.fillEnd >= 8) {
            // The fill's outermost column is transparent; the one before it is not.
            EXPECT_EQ(host.At(pixels, 10 + c.fillEnd - 1, 17),
                      host.At(trackOnly, 10 + c.fillEnd - 1, 17));
            EXPECT_NE(host.At(pixels, 10 + c.fillEnd - 2, 17),
                      host.At(trackOnly, 10 + c.fillEnd - 2, 17));
        } else {
            // Ends drawn over each other: the right end's opaque columns cover 0..2 and the
            // left end's last opaque column shows through the right end's transparent one.
            for (int x = 0; x < c.fillEnd; ++x)
                EXPECT_NE(host.At(pixels, 10 + x, 17), host.At(trackOnly, 10 + x, 17)) << x;
        }
    }
}

TEST(SkinNinePart, CornersStayAndEdgesStretch) {
    // 30 x 200 image: each of the nine regions of (5, 25, 5, 195) has its own colour.
    const int xs[] = {0, 5, 25, 30};
    const int ys[] = {0, 5, 195, 200};
    auto region = [&](int x, int y) {
        int col = x < 5 ? 0 : x < 25 ? 1 : 2;
        int row = y < 5 ? 0 : y < 195 ? 1 : 2;
        return RGB(40 + col * 80, 40 + row * 80, 7);
    };
    std::vector<BYTE> rows;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 30; ++x) {
            const COLORREF c = region(x, y);
            rows.insert(rows.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    }
    WriteBytes(L".\\skin-nine.png", EncodePng(30, 200, 3, rows));
    CSomBitmap9Part nine(L".\\skin-nine.png", 5, 25, 5, 195);
    Canvas canvas(120, 300, RGB(0, 0, 0));
    nine.Draw(canvas.Dc(), 0, 0, 120, 300, 0);
    (void)xs;
    (void)ys;
    struct Case {
        int x, y;
        int srcX, srcY;
    } cases[] = {{0, 0, 0, 0},     {4, 4, 4, 4},       {60, 2, 15, 2},     {119, 0, 29, 0},
                 {115, 4, 25, 4},  {2, 150, 2, 100},   {60, 150, 15, 100}, {117, 150, 27, 100},
                 {0, 295, 0, 195}, {60, 299, 15, 199}, {119, 299, 29, 199}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(canvas.At(c.x, c.y), region(c.srcX, c.srcY));
    }
}

TEST(SkinButton4, AutoSizedTextButtonPadsItsText) {
    std::vector<BYTE> rows(20 * 4 * 10 * 4, 255);
    WriteBytes(L".\\skin-button20.png", EncodePng(80, 10, 4, rows));
    CSomBitmap back(L".\\skin-button20.png", 4, CSomBitmap::kPng);
    SkinHostWindow host(200, 60);
    CSomButton4 button;
    host.Add(button, SWS_VISIBLE | SWS_AUTOSIZE, 1, 10, 10, 0, 0);
    button.m_pBack = &back;
    button.m_strText = L"OK";
    button.UpdateLayout();

    HDC dc = CSomBitmap::GetMemDC();
    gdi::SelectedObject font(dc, FontTable::Font(FontTable::kDefaultEntry));
    SIZE text{};
    GetTextExtentPoint32W(dc, L"OK", 2, &text);
    EXPECT_EQ(button.m_rc.right - button.m_rc.left, text.cx + 20);
    EXPECT_EQ(button.m_rc.bottom - button.m_rc.top, 10);
    EXPECT_EQ(button.m_xContent, 10);
}

TEST(SkinImageWnd, SetImageResizesAndFollowsTheAlphaFlag) {
    SkinHostWindow host(200, 60);
    CSomImageWnd image;
    host.Add(image, SWS_VISIBLE | SWS_AUTOSIZE, 1, 10, 10, 0, 0);
    CSomBitmap missing(L".\\res\\missing.png", 1, CSomBitmap::kPng);
    image.SetImage(0, &missing);
    EXPECT_TRUE(IsRectEmpty(&image.m_rc)) << "a missing image sizes the control to 0 x 0";

    image.SetImage(0, &SkinImages::ProgressFill());
    EXPECT_EQ(image.m_rc.right - image.m_rc.left, 18);
    EXPECT_EQ(image.m_rc.bottom - image.m_rc.top, 15);
    EXPECT_TRUE(image.m_dwStyle & SWS_TRANSPARENT);

    const std::wstring path = WriteStrip(L"skin-strip-40.png", 40, 8);
    CSomBitmap opaque(path.c_str(), 2, CSomBitmap::kPng);
    image.SetImage(1, &opaque);
    EXPECT_EQ(image.m_rc.right - image.m_rc.left, 20);
    EXPECT_FALSE(image.m_dwStyle & SWS_TRANSPARENT);
    const auto pixels = host.Print();
    EXPECT_EQ(PixelColor(host.At(pixels, 10, 10)), RGB(20, 100, 200)) << "frame 1 is shown";
}

// A window with a background, a four-state button in each state, an image with alpha and the
// progress bar at 50 %, saved for a person to look at.
TEST(SkinScreenshot, WindowWithEveryControl) {
    // Four frames of 60 x 24: grey, light blue, dark blue, pale grey, with a dark border.
    const COLORREF frames[] = {RGB(225, 225, 225), RGB(170, 210, 250), RGB(60, 110, 190),
                               RGB(240, 240, 240)};
    std::vector<BYTE> rows;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 240; ++x) {
            const int fx = x % 60;
            const bool border = fx == 0 || fx == 59 || y == 0 || y == 23;
            const COLORREF c = border ? RGB(80, 80, 80) : frames[x / 60];
            rows.insert(rows.end(), {GetRValue(c), GetGValue(c), GetBValue(c), 255});
        }
    }
    WriteBytes(L".\\skin-button4.png", EncodePng(240, 24, 4, rows));
    // A 48 x 48 red disc fading out toward its rim.
    std::vector<BYTE> disc;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            const int dx = x - 24, dy = y - 24;
            const int d2 = dx * dx + dy * dy;
            const int a = d2 >= 576 ? 0 : 255 - d2 * 255 / 576;
            disc.insert(disc.end(), {230, 40, 40, static_cast<BYTE>(a)});
        }
    }
    WriteBytes(L".\\skin-disc.png", EncodePng(48, 48, 4, disc));

    CSomBitmap back(L".\\skin-button4.png", 4, CSomBitmap::kPng);
    CSomBitmap discImage(L".\\skin-disc.png", 1, CSomBitmap::kPng);
    SkinHostWindow host(480, 160);
    CSomButton4 buttons[4];
    const wchar_t* captions[] = {L"Normal", L"Hover", L"Pressed", L"Disabled"};
    for (int i = 0; i < 4; ++i) {
        host.Add(buttons[i], SWS_VISIBLE | SWS_AUTOSIZE | (i == 3 ? DWORD{SWS_DISABLED} : DWORD{0}),
                 10 + i, 20 + i * 110, 20, 0, 0);
        buttons[i].m_pBack = &back;
        buttons[i].m_strText = captions[i];
        buttons[i].UpdateLayout();
    }
    buttons[1].m_bHover = true;
    buttons[2].m_bHover = true;
    buttons[2].m_bPressed = true;
    CSomImageWnd picture;
    picture.m_pImage = &discImage;
    host.Add(picture, SWS_VISIBLE | SWS_AUTOSIZE, 20, 20, 60, 0, 0);
    CSomProgressCtrl progress;
    host.Add(progress, SWS_VISIBLE | SWS_AUTOSIZE | SWS_TRANSPARENT, 21, 20, 125, 412, 20);
    progress.m_nPos = 50;

    const auto pixels = host.Print();
    WriteScreenshot(L".\\skin-screenshot.png", 480, 160, pixels);

    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(buttons[i].State(), i);
        const RECT& rc = buttons[i].m_rc;
        EXPECT_EQ(PixelColor(host.At(pixels, rc.left + 2, rc.top + 2)), frames[i]);
    }
    EXPECT_EQ(PixelColor(host.At(pixels, 44, 84)), RGB(230, 40, 40)) << "disc centre opaque";
    EXPECT_EQ(PixelColor(host.At(pixels, 21, 61)), SkinHostWindow::kBackground)
        << "disc corner shows the background";
    const COLORREF half = PixelColor(host.At(pixels, 44 + 16, 84));
    EXPECT_NE(half, RGB(230, 40, 40));
    EXPECT_NE(half, SkinHostWindow::kBackground) << "the rim is blended";
}
