// A real top-level window hosting windowless controls, as the program's windows do, that
// records the commands its controls send.
#pragma once

#include <windows.h>

#include <vector>

#include "skin/CSomWndManager.h"

class TestHostWindow : public CSomWndManager {
public:
    struct Command {
        WPARAM wParam;
        LPARAM lParam;
    };

    // A visible popup with a client area of width x height at (x, y) on the screen.
    TestHostWindow(int x, int y, int width, int height);
    ~TestHostWindow() override;

    // Adds `control` the way the owner windows do, at (x, y) with no size yet.
    void Add(CSomWnd& control, DWORD style, UINT id, int x, int y);

    // Mouse messages as the system sends them, at client coordinates.
    void MouseMove(int x, int y);
    void ButtonDown(int x, int y);
    void ButtonUp(int x, int y);
    // Puts the real cursor over client point (x, y) and asks the window to set the cursor.
    HCURSOR CursorAt(int x, int y);

    // Plain white, so text pixels stand out.
    void DrawBackground(HDC dc, const RECT* rc) override;

    HWND m_hHost = nullptr;
    std::vector<Command> m_commands;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
