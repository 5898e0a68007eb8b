// Base of the windowless controls: an object owning a rectangle of its owner's client area,
// driven by the owner's CSomWndManager.
#pragma once

#include <windows.h>
#include <commctrl.h>

class ISomWndManager;

enum : DWORD {
    SWS_VISIBLE = 1,
    SWS_AUTOSIZE = 2,
    SWS_DISABLED = 4,
    SWS_TRANSPARENT = 8,
};

class CSomWnd {
public:
    CSomWnd() = default;
    virtual ~CSomWnd() = default;
    CSomWnd(const CSomWnd&) = delete;
    CSomWnd& operator=(const CSomWnd&) = delete;

    virtual void OnCreate() {}
    virtual void OnDestroy() {}
    virtual void OnTimer() {}
    virtual void OnMove(int, int) {}
    virtual void OnSize(int, int) {}
    // dc has its viewport origin at the control's top-left corner. part is 0 for the whole
    // control, or the part number given to RedrawWnd.
    virtual void OnPaint(HDC dc, int clipRight, int part) = 0;
    virtual void OnCaptureChanged() {}
    virtual BOOL OnSetCursor(const POINT&) { return FALSE; }
    virtual BOOL OnLButtonDown(const POINT&) { return FALSE; }
    virtual BOOL OnLButtonUp(const POINT&) { return FALSE; }
    virtual BOOL OnLButtonDblClk(const POINT&) { return FALSE; }
    virtual BOOL OnMouseMove(const POINT&) { return FALSE; }
    virtual void OnMouseEnter(const POINT&) {}
    virtual void OnMouseLeave() {}
    virtual void OnToolTipText(UINT, NMTTDISPINFOW*) {}

    DWORD m_dwStyle = 0;
    UINT m_nID = 0;
    RECT m_rc{};
    ISomWndManager* m_pManager = nullptr;
};
