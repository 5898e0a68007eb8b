// Real mouse input at client points of a window, as a user's hand gives it: the system's own
// cursor moves and button events, so hit testing, capture and double clicks are the system's.
#pragma once

#include <windows.h>

class RealMouse {
public:
    explicit RealMouse(HWND window) : m_window(window) {}

    void MoveTo(int x, int y);
    void Press();
    void Release();
    // Moves to client point (x, y) and clicks there.
    void Click(int x, int y);
    // Press at `from`, move in steps by (dx, dy), release.
    void Drag(POINT from, int dx, int dy);

private:
    void Button(DWORD flags);
    void MoveToScreen(int x, int y);

    HWND m_window;
    POINT m_start{};
};
