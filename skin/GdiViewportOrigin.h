#pragma once

#include <windows.h>

namespace gdi {

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
