#pragma once

#include <windows.h>

#include <utility>

namespace gdi {

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

}  // namespace gdi
