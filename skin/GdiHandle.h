// Owners of GDI handles. Every owner counts the handles it holds so that tests can prove that
// nothing leaks: GetGuiResources cannot be trusted under every Windows implementation.
#pragma once

#include <windows.h>

#include <atomic>
#include <utility>

namespace gdi {

// Number of handles currently held by all owners of the process.
inline std::atomic<long>& LiveHandles() {
    static std::atomic<long> count{0};
    return count;
}

template <typename Handle, BOOL(WINAPI* Free)(Handle)>
class Owner {
public:
    Owner() = default;
    explicit Owner(Handle handle) : m_handle(handle) {
        if (m_handle)
            ++LiveHandles();
    }
    ~Owner() { Reset(); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) {
            Reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }

    Handle Get() const { return m_handle; }
    // Hands the handle to a caller that takes over its release.
    Handle Release() {
        if (m_handle)
            --LiveHandles();
        return std::exchange(m_handle, nullptr);
    }
    explicit operator bool() const { return m_handle != nullptr; }
    void Reset(Handle handle = nullptr) {
        if (m_handle) {
            Free(m_handle);
            --LiveHandles();
        }
        m_handle = handle;
        if (m_handle)
            ++LiveHandles();
    }

private:
    Handle m_handle = nullptr;
};

inline BOOL WINAPI DeleteGdiObject(HGDIOBJ object) {
    return DeleteObject(object);
}
inline BOOL WINAPI DeleteBitmap(HBITMAP bitmap) {
    return DeleteObject(bitmap);
}
inline BOOL WINAPI DeleteRegion(HRGN region) {
    return DeleteObject(region);
}
inline BOOL WINAPI DeleteBrush(HBRUSH brush) {
    return DeleteObject(brush);
}
inline BOOL WINAPI DeleteMemoryDC(HDC dc) {
    return DeleteDC(dc);
}

using Bitmap = Owner<HBITMAP, DeleteBitmap>;
using Region = Owner<HRGN, DeleteRegion>;
using Brush = Owner<HBRUSH, DeleteBrush>;
using MemoryDC = Owner<HDC, DeleteMemoryDC>;

// A DC borrowed from a window with GetDC, given back with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_hWnd(window), m_hDC(GetDC(window)) {
        if (m_hDC)
            ++LiveHandles();
    }
    ~WindowDC() {
        if (m_hDC) {
            ReleaseDC(m_hWnd, m_hDC);
            --LiveHandles();
        }
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// Selects an object into a DC and selects the previous one back when it goes out of scope.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : m_hDC(dc), m_hPrevious(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (m_hPrevious)
            SelectObject(m_hDC, m_hPrevious);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    SelectedObject(SelectedObject&& other) noexcept
        : m_hDC(other.m_hDC), m_hPrevious(std::exchange(other.m_hPrevious, nullptr)) {}
    SelectedObject& operator=(SelectedObject&&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hPrevious;
};

// Keeps a DC's viewport origin and restores it on scope exit.
class ViewportOrigin {
public:
    explicit ViewportOrigin(HDC dc) : m_hDC(dc) { GetViewportOrgEx(dc, &m_origin); }
    ~ViewportOrigin() { SetViewportOrgEx(m_hDC, m_origin.x, m_origin.y, nullptr); }
    ViewportOrigin(const ViewportOrigin&) = delete;
    ViewportOrigin& operator=(const ViewportOrigin&) = delete;

private:
    HDC m_hDC;
    POINT m_origin{};
};

}  // namespace gdi
