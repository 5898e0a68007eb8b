// A real top-level window owning windowless controls, driven by the messages a user's mouse
// produces. It records the commands and the clicks that reach it past the controls.
#pragma once

#include <windows.h>

#include <vector>

#include "skin/CSomWndManager.h"

class SkinHostWindow : public CSomWndManager {
public:
    static constexpr COLORREF kBackground = RGB(40, 160, 60);

    SkinHostWindow(int width, int height);
    ~SkinHostWindow() override;

    HWND Handle() const { return m_hHost; }
    void Destroy();

    // Attaches a control the way the owners do.
    void Add(CSomWnd& control, DWORD style, UINT id, int x, int y, int cx, int cy);
    void MouseMove(int x, int y);
    void ButtonDown(int x, int y);
    void ButtonUp(int x, int y);
    void DoubleClick(int x, int y);
    void HoverTimer();
    // Full repaint into a 32-bit DIB through WM_PRINTCLIENT.
    std::vector<DWORD> Print();
    // What is on the window's screen surface now.
    std::vector<DWORD> Screen();
    DWORD At(const std::vector<DWORD>& pixels, int x, int y) const;

    std::vector<WPARAM> m_commands;
    std::vector<LPARAM> m_commandSenders;
    int m_ownerClicks = 0;
    // Set by a command handler that wants the window gone while the click is processed.
    bool m_destroyOnCommand = false;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    std::vector<DWORD> Capture(bool print);

    HWND m_hHost = nullptr;
    int m_width;
    int m_height;
};

// RGB of a pixel read back from a 32-bit DIB.
inline COLORREF PixelColor(DWORD pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}
