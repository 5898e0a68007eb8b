#include "tests/support/RealMouse.h"

namespace {
// Time for the system to deliver each event before the next one.
constexpr DWORD kSettle = 50;
}  // namespace

void RealMouse::MoveTo(int x, int y) {
    POINT pt{x, y};
    ClientToScreen(m_window, &pt);
    MoveToScreen(pt.x, pt.y);
}

void RealMouse::Press() {
    Button(MOUSEEVENTF_LEFTDOWN);
}

void RealMouse::Release() {
    Button(MOUSEEVENTF_LEFTUP);
}

void RealMouse::Click(int x, int y) {
    MoveTo(x, y);
    Press();
    Release();
}

void RealMouse::Drag(POINT from, int dx, int dy) {
    MoveTo(from.x, from.y);
    Press();
    for (int step = 1; step <= 4; ++step)
        MoveToScreen(m_start.x + dx * step / 4, m_start.y + dy * step / 4);
    Release();
}

void RealMouse::Button(DWORD flags) {
    GetCursorPos(&m_start);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
    Sleep(kSettle);
}

void RealMouse::MoveToScreen(int x, int y) {
    SetCursorPos(x, y);
    Sleep(kSettle);
}
