#include "base/CenterOnWorkArea.h"

void CenterOnWorkArea(HWND window) {
    RECT rc;
    if (!GetWindowRect(window, &rc))
        return;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info))
        return;
    const RECT& area = info.rcWork;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    int x = (area.left + area.right) / 2 - width / 2;
    int y = (area.top + area.bottom) / 2 - height / 2;
    if (x + width > area.right)
        x = area.right - width;
    if (x < area.left)
        x = area.left;
    if (y + height > area.bottom)
        y = area.bottom - height;
    if (y < area.top)
        y = area.top;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
