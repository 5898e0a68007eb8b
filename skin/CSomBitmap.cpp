#include "skin/CSomBitmap.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Far above any skin image, far below what a hostile header could make GDI allocate.
constexpr png_uint_32 kMaxDimension = 4096;

HMODULE ModuleInstance() {
    return GetModuleHandleW(nullptr);
}

struct MemoryReader {
    const BYTE* data;
    size_t size;
    size_t cursor;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->cursor)
        png_error(png, "read beyond the end of the data");
    std::memcpy(out, reader->data + reader->cursor, length);
    reader->cursor += length;
}

// Kept outside the function that calls setjmp, so that a library error, which jumps back
// there, never skips a destructor; the DIB section is released by its owner here.
struct DecodeState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    gdi::Bitmap dib;
    BYTE* bits = nullptr;
};

bool DecodeInto(DecodeState& s, MemoryReader& reader) {
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_set_read_fn(s.png, &reader, ReadFromMemory);
    // The header is checked against the limits before anything is allocated for the image.
    png_set_user_limits(s.png, kMaxDimension, kMaxDimension);
    png_read_info(s.png, s.info);

    const png_byte depth = png_get_bit_depth(s.png, s.info);
    const png_byte colorType = png_get_color_type(s.png, s.info);
    if (depth == 16)
        png_set_strip_16(s.png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(s.png);
    if (depth < 8)
        png_set_expand(s.png);
    if (png_get_valid(s.png, s.info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(s.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(s.png);
    // Both must be requested before the update: the library lays out its row reading there,
    // and an interlaced image read without it fails on the first row of its second pass.
    png_set_bgr(s.png);
    const int passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);

    const png_uint_32 width = png_get_image_width(s.png, s.info);
    const png_uint_32 height = png_get_image_height(s.png, s.info);
    const int channels = png_get_channels(s.png, s.info);
    if (channels != 3 && channels != 4)
        return false;

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = static_cast<LONG>(width);
    bmi.bmiHeader.biHeight = -static_cast<LONG>(height);
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = static_cast<WORD>(8 * channels);
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    s.dib.Reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!s.dib || !bits)
        return false;
    s.bits = static_cast<BYTE*>(bits);

    const size_t stride = (static_cast<size_t>(channels) * width + 3) & ~static_cast<size_t>(3);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 row = 0; row < height; ++row)
            png_read_row(s.png, s.bits + row * stride, nullptr);
    }
    if (channels == 4) {
        for (png_uint_32 row = 0; row < height; ++row) {
            BYTE* pixel = s.bits + row * stride;
            for (png_uint_32 col = 0; col < width; ++col, pixel += 4) {
                const unsigned alpha = pixel[3];
                for (int c = 0; c < 3; ++c)
                    pixel[c] = static_cast<BYTE>(pixel[c] * alpha / 255);
            }
        }
    }
    png_read_end(s.png, nullptr);
    return true;
}

struct SharedMemoryDC {
    SharedMemoryDC() {
        const gdi::WindowDC screen(nullptr);
        dc.Reset(CreateCompatibleDC(screen.Get()));
    }
    gdi::MemoryDC dc;
};

}  // namespace

CSomBitmap::CSomBitmap(const wchar_t* source, WORD frames, BYTE kind)
    : m_pszSource(source), m_nFrames(frames), m_nKind(kind) {}

CSomBitmap::CSomBitmap(UINT resourceId, WORD frames, BYTE kind)
    : m_pszSource(reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(resourceId))),
      m_nFrames(frames),
      m_nKind(kind) {}

HDC CSomBitmap::GetMemDC() {
    static SharedMemoryDC shared;
    return shared.dc.Get();
}

bool CSomBitmap::IsResource() const {
    return reinterpret_cast<ULONG_PTR>(m_pszSource) < 0xFFFF;
}

gdi::Bitmap CSomBitmap::DecodePng(const BYTE* data, size_t size) {
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return gdi::Bitmap();
    DecodeState state;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!state.png)
        return gdi::Bitmap();
    state.info = png_create_info_struct(state.png);
    if (!state.info) {
        png_destroy_read_struct(&state.png, nullptr, nullptr);
        return gdi::Bitmap();
    }
    MemoryReader reader{data, size, 0};
    const bool ok = DecodeInto(state, reader);
    png_destroy_read_struct(&state.png, &state.info, nullptr);
    if (!ok)
        return gdi::Bitmap();
    return std::move(state.dib);
}

void CSomBitmap::EnsureLoaded() {
    if (m_hBitmap)
        return;
    gdi::Bitmap loaded;
    if (m_nKind == kBitmap) {
        if (IsResource())
            loaded.Reset(static_cast<HBITMAP>(LoadImageW(ModuleInstance(), m_pszSource,
                                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        else
            loaded.Reset(static_cast<HBITMAP>(LoadImageW(nullptr, m_pszSource, IMAGE_BITMAP, 0, 0,
                                                         LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    } else if (m_nKind == kPng && IsResource()) {
        HRSRC found = FindResourceW(ModuleInstance(), m_pszSource, L"PNG");
        HGLOBAL resource = found ? LoadResource(ModuleInstance(), found) : nullptr;
        if (resource) {
            const auto* data = static_cast<const BYTE*>(LockResource(resource));
            loaded = DecodePng(data, SizeofResource(ModuleInstance(), found));
            FreeResource(resource);
        }
    } else if (m_nKind == kPng && m_pszSource) {
        // _wfopen: Windows XP's C runtime has none of the _s functions.
        const std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(m_pszSource, L"rb"), std::fclose);
        if (file) {
            std::vector<BYTE> data;
            if (std::fseek(file.get(), 0, SEEK_END) == 0) {
                const long size = std::ftell(file.get());
                if (size > 0 && std::fseek(file.get(), 0, SEEK_SET) == 0) {
                    data.resize(static_cast<size_t>(size));
                    if (std::fread(data.data(), 1, data.size(), file.get()) != data.size())
                        data.clear();
                }
            }
            loaded = DecodePng(data.data(), data.size());
        }
    }
    m_hBitmap = std::move(loaded);
    if (!m_hBitmap) {
        // The frame count stays: a later load that succeeds still cuts the image into frames.
        m_cxFrame = 0;
        m_cy = 0;
        m_bAlpha = 0;
        return;
    }
    BITMAP info{};
    GetObjectW(m_hBitmap.Get(), sizeof(info), &info);
    m_cy = info.bmHeight;
    m_cxFrame = m_nFrames ? info.bmWidth / m_nFrames : 0;
    m_bAlpha = info.bmBitsPixel == 32;
}

void CSomBitmap::Blit(HDC dc, HDC source, int x, int y, int cx, int cy, int sx, int sy, int scx,
                      int scy) const {
    if (m_bAlpha) {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, cx, cy, source, sx, sy, scx, scy, blend);
    } else if (cx == scx && cy == scy) {
        BitBlt(dc, x, y, cx, cy, source, sx, sy, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, x, y, cx, cy, source, sx, sy, scx, scy, SRCCOPY);
    }
}

void CSomBitmap::Draw(HDC dc, int x, int y, int cx, int cy, int frame) {
    EnsureLoaded();
    if (!m_hBitmap)
        return;
    gdi::SelectedObject selected(GetMemDC(), m_hBitmap.Get());
    Blit(dc, GetMemDC(), x, y, cx, cy, frame * m_cxFrame, 0, m_cxFrame, m_cy);
}

void CSomBitmap::DrawHorizontal(HDC dc, int x, int y, int cx, int frame) {
    EnsureLoaded();
    if (!m_hBitmap)
        return;
    gdi::SelectedObject selected(GetMemDC(), m_hBitmap.Get());
    Blit(dc, GetMemDC(), x, y, cx, m_cy, frame * m_cxFrame, 0, m_cxFrame, m_cy);
}

void CSomBitmap::DrawFrame(HDC dc, int x, int y, int frame) {
    EnsureLoaded();
    if (!m_hBitmap)
        return;
    gdi::SelectedObject selected(GetMemDC(), m_hBitmap.Get());
    Blit(dc, GetMemDC(), x, y, m_cxFrame, m_cy, frame * m_cxFrame, 0, m_cxFrame, m_cy);
}
