#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <png.h>

#include "skin/CSomBitmap.h"
#include "skin/GdiHandle.h"
#include "tests/skin/TestPng.h"
#include "tests/support/FileBytes.h"

namespace {

// Wide paths throughout: the build tree may lie in a folder whose name the ANSI code page
// cannot spell.
std::vector<BYTE> ReadFile(const std::filesystem::path& path) {
    const std::string bytes = ReadBytes(path);
    return std::vector<BYTE>(bytes.begin(), bytes.end());
}

std::vector<std::wstring> PngFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.png").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

struct Decoded {
    int width = 0, height = 0, channels = 0;
    std::vector<BYTE> pixels;  // rows without padding
};

Decoded FromBitmap(HBITMAP bitmap) {
    Decoded d;
    DIBSECTION dib{};
    if (GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib)
        return d;
    d.width = dib.dsBm.bmWidth;
    d.height = dib.dsBm.bmHeight;
    d.channels = dib.dsBm.bmBitsPixel / 8;
    const auto* bits = static_cast<const BYTE*>(dib.dsBm.bmBits);
    for (int row = 0; row < d.height; ++row) {
        const BYTE* line = bits + static_cast<size_t>(row) * dib.dsBm.bmWidthBytes;
        d.pixels.insert(d.pixels.end(), line, line + d.width * d.channels);
    }
    return d;
}

Decoded FromReference(const std::vector<BYTE>& ref) {
    Decoded d;
    const std::string text(ref.begin(), ref.end());
    const size_t end = text.find('\n');
    sscanf(text.substr(0, end).c_str(), "%d %d %d", &d.width, &d.height, &d.channels);
    d.pixels.assign(ref.begin() + end + 1, ref.end());
    return d;
}

}  // namespace

// Every valid image of the reference suite decodes to the pixels PIL, run natively, gives:
// 8-bit BGR, or premultiplied BGRA when the image carries alpha or a tRNS chunk.
TEST(SkinPngDecoder, ReferenceSuiteMatchesAnIndependentDecoder) {
    int compared = 0;
    for (const wchar_t* folder :
         {L"" SKIN_PNGSUITE "\\pngsuite", L"" SKIN_PNGSUITE "\\pngsuite\\interlaced",
          L"" SKIN_PNGSUITE "\\testpngs"}) {
        for (const std::wstring& name : PngFiles(folder)) {
            SCOPED_TRACE(std::filesystem::path(name).string());
            const std::vector<BYTE> png = ReadFile(std::wstring(folder) + L"\\" + name);
            const Decoded expected =
                FromReference(ReadFile(L"" SKIN_PNG_REFS "\\" + name + L".ref"));
            ASSERT_GT(expected.width, 0);
            gdi::Bitmap bitmap(CSomBitmap::DecodePng(png.data(), png.size()));
            ASSERT_TRUE(bitmap);
            const Decoded actual = FromBitmap(bitmap.Get());
            EXPECT_EQ(actual.width, expected.width);
            EXPECT_EQ(actual.height, expected.height);
            EXPECT_EQ(actual.channels, expected.channels);
            EXPECT_TRUE(actual.pixels == expected.pixels);
            ++compared;
        }
    }
    EXPECT_GT(compared, 150);
}

// A 2x1 RGBA image: half-transparent white and a fully transparent colour.
TEST(SkinPngDecoder, AlphaIsPremultipliedWithTruncation) {
    std::vector<BYTE> png;
    png_structp write = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(write);
    png_set_write_fn(
        write, &png,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* out = static_cast<std::vector<BYTE>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(write, info, 2, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(write, info);
    BYTE row[] = {255, 255, 255, 128, 200, 100, 50, 0};
    png_write_row(write, row);
    png_write_end(write, nullptr);
    png_destroy_write_struct(&write, &info);

    gdi::Bitmap bitmap(CSomBitmap::DecodePng(png.data(), png.size()));
    const Decoded d = FromBitmap(bitmap.Get());
    ASSERT_EQ(d.channels, 4);
    const std::vector<BYTE> expected = {128, 128, 128, 128, 0, 0, 0, 0};
    EXPECT_EQ(d.pixels, expected);
}

// Truncations of valid files and the suite's crashers: nothing leaks, truncations are empty.
TEST(SkinPngDecoder, CorruptAndTruncatedDataLeaveNoBitmapAndNoHandle) {
    const long before = gdi::LiveHandles();
    for (const char* name : {"basn6a08.png", "basn3p02.png", "basi0g16.png", "basn2c16.png"}) {
        const std::vector<BYTE> png = ReadFile(std::string(SKIN_PNGSUITE "\\pngsuite\\") + name);
        if (png.empty())
            continue;
        SCOPED_TRACE(name);
        for (size_t cut = 0; cut < png.size(); ++cut) {
            EXPECT_FALSE(CSomBitmap::DecodePng(png.data(), cut)) << "cut at " << cut;
        }
    }
    const std::vector<BYTE> notPng = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    EXPECT_FALSE(CSomBitmap::DecodePng(notPng.data(), notPng.size()));
    EXPECT_FALSE(CSomBitmap::DecodePng(nullptr, 0));

    const std::wstring crashers = L"" SKIN_PNGSUITE "\\testpngs\\crashers";
    const std::vector<std::wstring> names = PngFiles(crashers);
    EXPECT_FALSE(names.empty());
    for (const std::wstring& name : names) {
        SCOPED_TRACE(std::filesystem::path(name).string());
        const std::vector<BYTE> png = ReadFile(crashers + L"\\" + name);
        // Some crashers only carry an oversized ancillary chunk, which the library skips:
        // such an image may load; what matters is that none crashes or leaks.
        gdi::Bitmap bitmap(CSomBitmap::DecodePng(png.data(), png.size()));
        if (bitmap) {
            EXPECT_GT(FromBitmap(bitmap.Get()).width, 0);
        }
    }
    EXPECT_EQ(gdi::LiveHandles(), before);
}

TEST(SkinPngDecoder, HeadersBeyondTheSizeLimitAreRefusedBeforeAnyAllocation) {
    const struct {
        int width, height;
        bool decodes;
    } cases[] = {{4096, 1, true}, {4097, 1, false}, {1, 4096, true}, {1, 4097, false}};
    for (const auto& c : cases) {
        const std::vector<BYTE> rows(static_cast<size_t>(c.width) * c.height * 3, 0x7F);
        const std::vector<BYTE> png = EncodePng(c.width, c.height, 3, rows);
        gdi::Bitmap bitmap(CSomBitmap::DecodePng(png.data(), png.size()));
        EXPECT_EQ(static_cast<bool>(bitmap), c.decodes) << c.width << " x " << c.height;
    }
}

TEST(SkinPngDecoder, MissingFileLeavesTheImageEmptyAndRetries) {
    const std::wstring path = L".\\late-image.png";
    DeleteFileW(path.c_str());
    CSomBitmap missing(path.c_str(), 4, CSomBitmap::kPng);
    missing.EnsureLoaded();
    EXPECT_FALSE(missing.m_hBitmap);
    EXPECT_EQ(missing.m_cxFrame, 0);
    EXPECT_EQ(missing.m_cy, 0);
    HDC dc = CSomBitmap::GetMemDC();
    missing.Draw(dc, 0, 0, 10, 10, 0);
    missing.DrawFrame(dc, 0, 0, 0);

    // The file arrives later: the next use loads it, cut into its four frames.
    WriteBytes(path, EncodePng(40, 10, 3, std::vector<BYTE>(40 * 10 * 3, 0x40)));
    missing.EnsureLoaded();
    EXPECT_TRUE(missing.m_hBitmap);
    EXPECT_EQ(missing.m_nFrames, 4);
    EXPECT_EQ(missing.m_cxFrame, 10);
    EXPECT_EQ(missing.m_cy, 10);
    DeleteFileW(path.c_str());
}
