// What a windowless control may ask of the window that owns it.
#pragma once

#include <windows.h>

class CSomWnd;

class ISomWndManager {
public:
    virtual BOOL AddWnd(CSomWnd* w) = 0;
    virtual BOOL RemoveWnd(CSomWnd* w) = 0;
    virtual void SetCapture(CSomWnd* w) = 0;
    virtual void ReleaseCapture(CSomWnd* w) = 0;
    virtual LRESULT SendCommand(CSomWnd* sender, WORD code, WORD id) = 0;
    virtual void MoveWnd(CSomWnd* w, int x, int y, int cx, int cy) = 0;
    virtual void SizeWnd(CSomWnd* w, int cx, int cy) = 0;
    virtual void SetWndPos(CSomWnd* w, int x, int y) = 0;
    virtual void RedrawWnd(CSomWnd* w, const RECT* rcPart, BOOL eraseHidden, int part) = 0;
    virtual UINT AddToolTip(CSomWnd* w, UINT part, const RECT* rc) = 0;
    virtual void RemoveToolTips(CSomWnd* w) = 0;
    virtual void LockUpdate() = 0;
    virtual void UnlockUpdate() = 0;
    virtual void DrawBackground(HDC dc, const RECT* rc) = 0;
    virtual void DrawWnds(HDC dc, const RECT* rc) = 0;

protected:
    ~ISomWndManager() = default;
};
