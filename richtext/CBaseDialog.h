// The skinned message dialog: a borderless 350 x 220 window with rounded corners, a nine-part
// frame, the logo and title at the top left, a close button at the top right, "确定" and "取消"
// buttons, dragging by any empty spot, and the end with IDOK or IDCANCEL. A concrete dialog
// adds its own controls through InitControls and places them in LayoutControls.
#pragma once

#include <windows.h>

#include <string>

#include "richtext/CSomTextButton.h"
#include "richtext/CSomTextWnd.h"
#include "skin/CIndirectDialog.h"
#include "skin/CMemDlgTemplate.h"
#include "skin/CSomButton3.h"
#include "skin/CSomImageWnd.h"
#include "skin/CSomWndManager.h"
#include "skin/FontTable.h"
#include "skin/GdiHandle.h"
#include "skin/SkinImages.h"

class CBaseDialog : public CIndirectDialog, public CSomWndManager {
public:
    static constexpr int kClientWidth = 350;
    static constexpr int kClientHeight = 220;

    CBaseDialog() = default;
    ~CBaseDialog() override = default;

    // The dialog window; the manager learns the same handle from the first message.
    using CIndirectDialog::m_hWnd;

    // Runs the dialog modally over `owner`: 1 (IDOK) after "确定", 2 (IDCANCEL) after the
    // close button, -1 when the dialog cannot be created.
    INT_PTR DoModal(HWND owner) {
        if (!m_template.IsValid()) {
            m_template.Create(m_dwTemplateStyle, m_dwTemplateExStyle, kTemplateX, kTemplateY,
                              kTemplateCx, kTemplateCy, m_strTemplateClass.c_str(), 8,
                              L"MS Shell Dlg");
        }
        return RunModal(m_template.Get(), owner);
    }

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result, DWORD messageMapId) override {
        if (messageMapId != 0)
            return FALSE;
        if (CSomWndManager::ProcessWindowMessage(window, message, wParam, lParam, result, 0))
            return TRUE;
        switch (message) {
            case WM_SIZE:
                // (size kind, client width, client height)
                OnSize(wParam, static_cast<short>(LOWORD(lParam)),
                       static_cast<short>(HIWORD(lParam)));
                result = 0;
                return TRUE;
            case WM_LBUTTONDOWN:
                // No control took the press: drag the dialog as if by its caption.
                ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
                result = 0;
                return TRUE;
            case WM_INITDIALOG:
                OnInitDialog();
                // No focus is set: the dialog has no child windows.
                result = 0;
                return TRUE;
            case WM_COMMAND:
                if (HIWORD(wParam) == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
                    EndDialog(LOWORD(wParam));
                    result = 0;
                    return TRUE;
                }
                return FALSE;
            default:
                return FALSE;
        }
    }

    // Shapes the window as a cx x cy rectangle with rounded corners.
    virtual void ApplyWindowRegion(int cx, int cy) {
        gdi::Region region(
            CreateRoundRectRgn(0, 0, cx + 1, cy + 1, kCornerEllipse, kCornerEllipse));
        // The round corner alone leaves a single pixel standing inside each notch.
        const POINT pixels[] = {{1, 1}, {cx - 2, 1}, {1, cy - 2}, {cx - 2, cy - 2}};
        for (const POINT& p : pixels) {
            const gdi::Region pixel(CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1));
            CombineRgn(region.Get(), region.Get(), pixel.Get(), RGN_DIFF);
        }
        // Once set, the region belongs to the window, which deletes it; a refused one stays ours.
        if (SetWindowRgn(m_hWnd, region.Get(), TRUE))
            region.Release();
    }
    // Creates the concrete dialog's controls, once, after the common ones exist.
    virtual void InitControls() {}
    // Places the concrete dialog's controls for the client size `size`.
    virtual void LayoutControls(const SIZE*) {}

    // The nine-part frame over the whole client area, whatever `rc` asks for: the clipping
    // set by the manager limits what changes.
    void DrawBackground(HDC dc, const RECT*) override {
        RECT client;
        GetClientRect(m_hWnd, &client);
        SkinImages::DialogBackground().Draw(dc, 0, 0, client.right, client.bottom, 0);
    }

    CSomImageWnd m_logo;
    CSomTextWnd m_title;
    CSomButton3 m_btnClose;
    CSomTextButton m_btnOK;
    CSomTextButton m_btnCancel;
    std::wstring m_strTemplateClass;
    // A popup, not a child: the dialog manager never activates a window with WS_CHILD, and the
    // system then discards every click on it.
    DWORD m_dwTemplateStyle = WS_POPUP | WS_VISIBLE;
    DWORD m_dwTemplateExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;

protected:
    // Adds `control` to this manager at (x, y) with an empty size, visible and auto-sized.
    void CreateControl(CSomWnd& control, UINT id, int x, int y) {
        CSomWndManager::CreateControl(control, SWS_VISIBLE | SWS_AUTOSIZE, id, x, y);
    }

private:
    // Dialog units of the template; the client area is then sized in pixels.
    static constexpr short kTemplateX = 170;
    static constexpr short kTemplateY = 100;
    static constexpr short kTemplateCx = 250;
    static constexpr short kTemplateCy = 150;
    static constexpr int kCornerEllipse = 7;
    static constexpr COLORREF kButtonText = 0x00A2661A;

    void OnInitDialog() {
        CreateControl(m_logo, 0, 0, 0);
        m_logo.SetImage(0, &SkinImages::DialogLogo());
        CreateControl(m_title, 0, 0, 0);
        m_title.SetText(L"Quorrin一键装机提醒你");
        CreateControl(m_btnClose, IDCANCEL, 0, 0);
        m_btnClose.m_pBack = &SkinImages::DialogClose();
        m_btnClose.m_pBack->EnsureLoaded();
        SizeWnd(&m_btnClose, m_btnClose.m_pBack->m_cxFrame, m_btnClose.m_pBack->m_cy);
        RedrawWnd(&m_btnClose, nullptr, FALSE, 0);
        InitTextButton(m_btnOK, IDOK, L"确定");
        InitTextButton(m_btnCancel, IDCANCEL, L"取消");
        InitControls();

        RECT rc{0, 0, kClientWidth, kClientHeight};
        AdjustWindowRectEx(&rc, GetWindowLongW(m_hWnd, GWL_STYLE), FALSE,
                           GetWindowLongW(m_hWnd, GWL_EXSTYLE));
        SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void InitTextButton(CSomTextButton& button, UINT id, const wchar_t* caption) {
        CreateControl(button, id, 0, 0);
        button.m_pBack = &SkinImages::DialogButton();
        button.UpdateLayout();
        button.SetCaption(caption);
        button.SetCaptionFont(FontTable::Font(FontTable::kDefaultEntry));
        button.SetCaptionColor(kButtonText);
    }

    void OnSize(WPARAM kind, int cx, int cy) {
        if (kind == SIZE_MINIMIZED)
            return;
        ApplyWindowRegion(cx, cy);
        if (m_logo.m_pManager)
            SetWndPos(&m_logo, 8, 6);
        if (m_title.m_pManager)
            SetWndPos(&m_title, 30, 6);
        if (m_btnClose.m_pManager)
            SetWndPos(&m_btnClose, cx - (m_btnClose.m_rc.right - m_btnClose.m_rc.left), 1);
        // A WM_SIZE before WM_INITDIALOG finds no controls: the concrete dialog lays out only
        // from InitControls on, once the common controls exist (the cancel button is the last
        // of them).
        if (m_btnCancel.m_pManager) {
            const SIZE size{cx, cy};
            LayoutControls(&size);
        }
    }

    CMemDlgTemplate m_template;
};
