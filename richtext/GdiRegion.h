// Owner of one GDI region handle.
#pragma once

#include <windows.h>

class GdiRegion {
public:
    explicit GdiRegion(HRGN region) : m_hRgn(region) {}
    ~GdiRegion() {
        if (m_hRgn)
            DeleteObject(m_hRgn);
    }
    GdiRegion(const GdiRegion&) = delete;
    GdiRegion& operator=(const GdiRegion&) = delete;
    GdiRegion(GdiRegion&& other) noexcept : m_hRgn(other.m_hRgn) { other.m_hRgn = nullptr; }
    GdiRegion& operator=(GdiRegion&& other) noexcept {
        if (this != &other) {
            if (m_hRgn)
                DeleteObject(m_hRgn);
            m_hRgn = other.m_hRgn;
            other.m_hRgn = nullptr;
        }
        return *this;
    }

    HRGN Get() const { return m_hRgn; }
    // Gives up ownership, e.g. to SetWindowRgn, which then owns the region.
    HRGN Release() {
        const HRGN region = m_hRgn;
        m_hRgn = nullptr;
        return region;
    }

private:
    HRGN m_hRgn;
};
