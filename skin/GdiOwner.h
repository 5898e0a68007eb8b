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

}  // namespace gdi
