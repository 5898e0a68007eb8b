#include "tests/richtext/TestHostWindow.h"

namespace {

constexpr wchar_t kClassName[] = L"QuorrinTextTestHost";

}  // namespace

TestHostWindow::TestHostWindow(int x, int y, int width, int height) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    m_hHost = CreateWindowExW(WS_EX_TOPMOST, kClassName, L"host", WS_POPUP | WS_VISIBLE, x, y,
                              width, height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    UpdateWindow(m_hHost);
}

TestHostWindow::~TestHostWindow() {
    if (m_hHost)
        DestroyWindow(m_hHost);
}

void TestHostWindow::Add(CSomWnd& control, DWORD style, UINT id, int x, int y) {
    CreateControl(control, style, id, x, y);
}

void TestHostWindow::MouseMove(int x, int y) {
    ::SendMessageW(m_hHost, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

void TestHostWindow::ButtonDown(int x, int y) {
    ::SendMessageW(m_hHost, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    ::SendMessageW(m_hHost, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

void TestHostWindow::ButtonUp(int x, int y) {
    ::SendMessageW(m_hHost, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

HCURSOR TestHostWindow::CursorAt(int x, int y) {
    POINT pt{x, y};
    ClientToScreen(m_hHost, &pt);
    SetCursorPos(pt.x, pt.y);
    SetCursor(nullptr);
    ::SendMessageW(m_hHost, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_hHost),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

void TestHostWindow::DrawBackground(HDC dc, const RECT* rc) {
    RECT area;
    if (rc)
        area = *rc;
    else
        GetClipBox(dc, &area);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

LRESULT CALLBACK TestHostWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<TestHostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (host) {
        LRESULT result = 0;
        if (host->ProcessWindowMessage(window, message, wParam, lParam, result, 0))
            return result;
        if (message == WM_COMMAND) {
            host->m_commands.push_back({wParam, lParam});
            return 0;
        }
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            host->m_hHost = nullptr;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
