// A skinned push button: a caption centred over a three-state background image, with an
// optional icon. A click is a WM_COMMAND with m_nID to the host window.
#pragma once

#include <windows.h>

#include <string>

#include "skin/CSomPushButton.h"

class CSomBitmap;

class CSomTextButton : public CSomPushButton {
public:
    CSomTextButton() = default;
    ~CSomTextButton() override;

    // Each stores its value and repaints; the caption also recomputes the layout.
    void SetCaption(const wchar_t* text);
    void SetCaptionFont(HFONT font);
    void SetCaptionColor(COLORREF color);
    // Sizes an auto-sized button to its content and background, centres the content, and
    // repaints. Call after assigning m_pBack or m_pIcon.
    void UpdateLayout();

    void OnPaint(HDC dc, int clipRight, int part) override;

    std::wstring m_strText;
    COLORREF m_crText = 0;
    // Borrowed: the font belongs to the font table, the images to the skin table.
    HFONT m_hFont = nullptr;
    CSomBitmap* m_pIcon = nullptr;
    int m_nIconFrame = 0;
    // Frames 0 normal, 1 hover, 2 pressed.
    CSomBitmap* m_pBack = nullptr;
    // x of the icon, in button coordinates.
    int m_xContent = 0;
};
