#include "skin/CSomBitmap.h"

#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "skin/PngPixels.h"

namespace {

HMODULE ModuleInstance() {
    return GetModuleHandleW(nullptr);
}

// A skin file is looked for first where the program was started from, as the release package is
// laid out, then beside the program itself: a shortcut whose "Start in" folder is elsewhere still
// finds the artwork.
std::wstring SkinFilePath(const wchar_t* source) {
    if (GetFileAttributesW(source) != INVALID_FILE_ATTRIBUTES || !PathIsRelativeW(source))
        return source;
    wchar_t folder[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, folder, MAX_PATH);
    wchar_t beside[MAX_PATH];
    if (length == 0 || length >= MAX_PATH || !PathRemoveFileSpecW(folder) ||
        !PathCombineW(beside, folder, source))
        return source;
    return beside;
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
    PngPixels pixels;
    if (!PngPixels::Decode(data, size, pixels))
        return gdi::Bitmap();
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = static_cast<LONG>(pixels.width);
    bmi.bmiHeader.biHeight = -static_cast<LONG>(pixels.height);
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = static_cast<WORD>(8 * pixels.channels);
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    gdi::Bitmap dib(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits)
        return gdi::Bitmap();
    // The DIB's rows are padded to four bytes, as the decoded rows are.
    std::memcpy(bits, pixels.bytes.data(), pixels.bytes.size());
    return dib;
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
            loaded.Reset(static_cast<HBITMAP>(LoadImageW(nullptr, SkinFilePath(m_pszSource).c_str(),
                                                         IMAGE_BITMAP, 0, 0,
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
        const std::unique_ptr<FILE, int (*)(FILE*)> file(
            _wfopen(SkinFilePath(m_pszSource).c_str(), L"rb"), std::fclose);
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
