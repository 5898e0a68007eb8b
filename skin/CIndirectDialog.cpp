#include "skin/CIndirectDialog.h"

namespace {

// The dialog being created on this thread: DialogBoxIndirectParamW delivers messages (the font,
// WM_INITDIALOG) before the object could be attached to its window any other way.
thread_local CIndirectDialog* t_creating = nullptr;

}  // namespace

INT_PTR CIndirectDialog::RunModal(const DLGTEMPLATE* dialogTemplate, HWND owner) {
    t_creating = this;
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, owner,
                                                   StartDialogProc, 0);
    t_creating = nullptr;
    return result;
}

INT_PTR CALLBACK CIndirectDialog::StartDialogProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    CIndirectDialog* self = t_creating;
    t_creating = nullptr;
    if (!self)
        return FALSE;
    self->m_hWnd = window;
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    SetWindowLongPtrW(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&DialogProc));
    return DialogProc(window, message, wParam, lParam);
}

INT_PTR CALLBACK CIndirectDialog::DialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* self = reinterpret_cast<CIndirectDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self)
        return FALSE;
    LRESULT result = 0;
    const BOOL handled = self->ProcessWindowMessage(window, message, wParam, lParam, result, 0);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(window);
    }
    if (!handled)
        return FALSE;
    switch (message) {
        // These return their result directly instead of through DWLP_MSGRESULT.
        case WM_INITDIALOG:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return static_cast<INT_PTR>(result);
        default:
            SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
            return TRUE;
    }
}
