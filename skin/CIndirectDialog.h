// A modal dialog made from an in-memory template, whose messages go to one ATL-style entry
// point. The object lives on the caller's side; the window only points back at it.
#pragma once

#include <windows.h>

class CIndirectDialog {
public:
    CIndirectDialog() = default;
    CIndirectDialog(const CIndirectDialog&) = delete;
    CIndirectDialog& operator=(const CIndirectDialog&) = delete;
    virtual ~CIndirectDialog() = default;

    // Every message of the dialog, from the first one on. Returns TRUE when handled, with the
    // message's result in `result`; unhandled messages get the dialog manager's default.
    virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result, DWORD messageMapId) = 0;
    // Called after the window's last message (WM_NCDESTROY), when m_hWnd is already null.
    virtual void OnFinalMessage(HWND) {}

    BOOL EndDialog(INT_PTR result) { return ::EndDialog(m_hWnd, result); }

    // The dialog window while it exists.
    HWND m_hWnd = nullptr;

protected:
    // Creates the dialog from `dialogTemplate` (owned by the caller, alive until this returns)
    // and runs its modal loop: returns the EndDialog result, or -1 when the dialog could not
    // be created.
    INT_PTR RunModal(const DLGTEMPLATE* dialogTemplate, HWND owner);

private:
    static INT_PTR CALLBACK StartDialogProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
