#include "tests/skin/SkinHostWindow.h"

#include "skin/GdiHandle.h"

namespace {

constexpr wchar_t kClassName[] = L"QuorrinSkinTestHost";

// The class brush is what the base manager paints as background; it lives as long as the
// process so that every host window shares it.
HBRUSH BackgroundBrush() {
    static HBRUSH brush = CreateSolidBrush(SkinHostWindow::kBackground);
    return brush;
}

}  // namespace

SkinHostWindow::SkinHostWindow(int width, int height) : m_width(width), m_height(height) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = BackgroundBrush();
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    m_hHost = CreateWindowExW(WS_EX_TOPMOST, kClassName, L"skin", WS_POPUP | WS_VISIBLE, 40, 40,
                              width, height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    UpdateWindow(m_hHost);
}

SkinHostWindow::~SkinHostWindow() {
    Destroy();
}

void SkinHostWindow::Destroy() {
    if (m_hHost)
        DestroyWindow(m_hHost);
}

LRESULT CALLBACK SkinHostWindow::WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<SkinHostWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    LRESULT result = 0;
    if (self->ProcessWindowMessage(hWnd, msg, wParam, lParam, result, 0))
        return result;
    switch (msg) {
        case WM_COMMAND:
            self->m_commands.push_back(wParam);
            self->m_commandSenders.push_back(lParam);
            if (self->m_destroyOnCommand)
                DestroyWindow(hWnd);
            return 0;
        case WM_LBUTTONDOWN:
            ++self->m_ownerClicks;
            return 0;
        case WM_NCDESTROY:
            self->m_hHost = nullptr;
            break;
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

void SkinHostWindow::Add(CSomWnd& control, DWORD style, UINT id, int x, int y, int cx, int cy) {
    CreateControl(control, style, id, x, y);
    if (cx || cy)
        SizeWnd(&control, cx, cy);
}

void SkinHostWindow::MouseMove(int x, int y) {
    ::SendMessageW(m_hHost, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

void SkinHostWindow::ButtonDown(int x, int y) {
    MouseMove(x, y);
    ::SendMessageW(m_hHost, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

void SkinHostWindow::ButtonUp(int x, int y) {
    ::SendMessageW(m_hHost, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void SkinHostWindow::DoubleClick(int x, int y) {
    ButtonDown(x, y);
    ButtonUp(x, y);
    ::SendMessageW(m_hHost, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
    ButtonUp(x, y);
}

void SkinHostWindow::HoverTimer() {
    ::SendMessageW(m_hHost, WM_TIMER, CSomWndManager::kHoverTimerId, 0);
}

std::vector<DWORD> SkinHostWindow::Print() {
    return Capture(true);
}

std::vector<DWORD> SkinHostWindow::Screen() {
    return Capture(false);
}

std::vector<DWORD> SkinHostWindow::Capture(bool print) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = m_width;
    bmi.bmiHeader.biHeight = -m_height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    gdi::WindowDC screen(m_hHost);
    gdi::MemoryDC memory(CreateCompatibleDC(screen.Get()));
    gdi::Bitmap target(CreateCompatibleBitmap(screen.Get(), m_width, m_height));
    {
        gdi::SelectedObject selected(memory.Get(), target.Get());
        if (print)
            ::SendMessageW(m_hHost, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()),
                           PRF_CLIENT);
        else
            BitBlt(memory.Get(), 0, 0, m_width, m_height, screen.Get(), 0, 0, SRCCOPY);
    }
    std::vector<DWORD> pixels(static_cast<size_t>(m_width) * m_height);
    GetDIBits(memory.Get(), target.Get(), 0, m_height, pixels.data(), &bmi, DIB_RGB_COLORS);
    return pixels;
}

DWORD SkinHostWindow::At(const std::vector<DWORD>& pixels, int x, int y) const {
    return pixels[static_cast<size_t>(y) * m_width + x];
}
