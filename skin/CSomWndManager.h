// Owner-window side of the windowless controls: routes the owner's messages to its controls,
// tracks hover and capture, and draws the controls over the owner's background.
#pragma once

#include <windows.h>

#include <vector>

#include "skin/CSomToolTipAdpater.h"
#include "skin/CSomWnd.h"
#include "skin/ISomWndManager.h"

class CSomWndManager : public ISomWndManager, public CSomToolTipAdpater {
public:
    static constexpr UINT_PTR kHoverTimerId = 54321;
    static constexpr UINT kHoverTimerPeriod = 100;

    CSomWndManager() = default;
    virtual ~CSomWndManager() = default;
    CSomWndManager(const CSomWndManager&) = delete;
    CSomWndManager& operator=(const CSomWndManager&) = delete;

    // Message-map entry the owner chains to; TRUE when the message was handled.
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                              DWORD dwMsgMapID);

    BOOL AddWnd(CSomWnd* w) override;
    BOOL RemoveWnd(CSomWnd* w) override;
    void SetCapture(CSomWnd* w) override;
    void ReleaseCapture(CSomWnd* w) override;
    LRESULT SendCommand(CSomWnd* sender, WORD code, WORD id) override;
    void MoveWnd(CSomWnd* w, int x, int y, int cx, int cy) override;
    void SizeWnd(CSomWnd* w, int cx, int cy) override;
    void SetWndPos(CSomWnd* w, int x, int y) override;
    void RedrawWnd(CSomWnd* w, const RECT* rcPart, BOOL eraseHidden, int part) override;
    UINT AddToolTip(CSomWnd* w, UINT part, const RECT* rc) override;
    void RemoveToolTips(CSomWnd* w) override;
    void LockUpdate() override;
    void UnlockUpdate() override;
    void DrawBackground(HDC dc, const RECT* rc) override;
    void DrawWnds(HDC dc, const RECT* rc) override;

    // Shows or hides a control, repainting what lies beneath it when it disappears.
    void ShowWnd(CSomWnd* w, BOOL show);
    // Attaches `control` with the creation protocol every owner follows: an empty rectangle at
    // (x, y), added last (lowest), then OnCreate, OnMove and OnSize(0, 0). The owner places or
    // sizes it afterwards, or it sizes itself from its image. FALSE when it could not be added.
    BOOL CreateControl(CSomWnd& control, DWORD style, UINT id, int x, int y);

    BOOL m_bRedraw = TRUE;
    BOOL m_bImmediate = TRUE;
    HWND m_hWnd = nullptr;
    std::vector<CSomWnd*> m_wnds;
    CSomWnd* m_pCapture = nullptr;
    CSomWnd* m_pHover = nullptr;

protected:
    void DrawWnd(CSomWnd* w, HDC dc, BOOL visible, BOOL background, BOOL exclude, int part);

private:
    CSomWnd* HitTest(POINT pt) const;
    BOOL RouteButton(UINT uMsg, POINT pt, LRESULT& lResult);
    BOOL OnMouseMoveMessage(POINT pt, LRESULT& lResult);
    void OnHoverTimer();
    void OnPaintMessage(HDC dc);
    void OnDestroyMessage();
    void Invalidate(const RECT& rc);
    void InvalidateAndUpdate(const RECT& rc);
};
