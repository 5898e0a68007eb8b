// The notification-area icon of a window: added once, removed with the window object; a double
// click toggles the window and a right click opens the restore-or-quit menu. T is the window
// class, which provides m_hWnd.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "workflow/MainTexts.h"

// The command ids the tray menu sends to the window.
enum : WORD {
    ID_TRAY_RESTORE = 513,
    ID_TRAY_EXIT = 514,
};

template <class T>
class CTrayIconImpl {
public:
    CTrayIconImpl()
        : m_nTrayMessage(RegisterWindowMessageW(L"WM_TRAYICON")),
          m_nTaskbarCreated(RegisterWindowMessageW(L"TaskbarCreated")) {
        AllowFromExplorer(m_nTaskbarCreated);
    }
    virtual ~CTrayIconImpl() {
        RemoveTrayIcon();
        if (m_nid.hIcon)
            DestroyIcon(m_nid.hIcon);
    }

    // The notification data size a shell of `reportedVersion` (a GetVersion value) accepts:
    // Windows XP's refuses the larger layout of Vista and later, which then adds a balloon icon.
    static DWORD NotifyDataSize(DWORD reportedVersion) {
        return (reportedVersion & 0xFFu) >= 6 ? sizeof(NotifyData) : sizeof(NOTIFYICONDATAW);
    }
    CTrayIconImpl(const CTrayIconImpl&) = delete;
    CTrayIconImpl& operator=(const CTrayIconImpl&) = delete;

    // Adds the icon for `window` unless it is there already. The tray keeps `icon` and destroys
    // it with itself.
    void AddTrayIcon(HWND window, HICON icon, const wchar_t* tip) {
        if (m_bInstalled) {
            if (icon)
                DestroyIcon(icon);
            return;
        }
        if (m_nid.hIcon)
            DestroyIcon(m_nid.hIcon);
        m_nid.cbSize = NotifyDataSize(GetVersion());
        m_nid.hWnd = window;
        m_nid.uID = 0xFFFFFFFF;
        m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        m_nid.uCallbackMessage = m_nTrayMessage;
        m_nid.hIcon = icon;
        lstrcpynW(m_nid.szTip, tip, 128);
        m_bInstalled = Shell_NotifyIconW(NIM_ADD, &m_nid) != FALSE;
    }

    void RemoveTrayIcon() {
        if (!m_bInstalled)
            return;
        m_nid.uFlags = 0;
        Shell_NotifyIconW(NIM_DELETE, &m_nid);
        m_bInstalled = false;
    }

    // The shell has restarted (Explorer ended and came back) and lost every notification icon:
    // the icon comes back while the window still has one, or a hidden window could never be
    // restored or quit again. The message also comes when a taskbar is made anew without losing
    // its icons, so an icon still there is only brought up to date. The window keeps counting its
    // icon as there either way, so that it is always removed at the end.
    void OnTaskbarCreated() {
        if (m_bInstalled && !Shell_NotifyIconW(NIM_ADD, &m_nid))
            Shell_NotifyIconW(NIM_MODIFY, &m_nid);
    }

    // The tray message: wParam is the icon id, the low word of lParam the mouse message.
    LRESULT OnTrayNotify(WPARAM, LPARAM lParam) {
        const HWND window = static_cast<T*>(this)->m_hWnd;
        switch (LOWORD(lParam)) {
            case WM_RBUTTONUP: {
                POINT cursor{};
                GetCursorPos(&cursor);
                ShowTrayMenu(cursor);
                PostMessageW(window, WM_NULL, 0, 0);
                break;
            }
            case WM_LBUTTONDBLCLK:
                if (IsIconic(window)) {
                    ShowWindow(window, SW_RESTORE);
                } else if (!IsWindowVisible(window)) {
                    ShowWindow(window, SW_SHOW);
                    BringWindowToTop(window);
                    SetForegroundWindow(window);
                } else {
                    ShowWindow(window, SW_HIDE);
                }
                break;
            default:
                break;
        }
        return 0;
    }

    // Shows the two-item menu at the screen point `pt` and posts the chosen command (0 when the
    // menu was dismissed) to the window.
    void ShowTrayMenu(POINT pt) {
        const HWND window = static_cast<T*>(this)->m_hWnd;
        PopupMenu menu;
        if (!menu.handle)
            return;
        AppendMenuW(menu.handle, MF_STRING, ID_TRAY_RESTORE, main_texts::kTrayRestore);
        AppendMenuW(menu.handle, MF_STRING, ID_TRAY_EXIT, main_texts::kTrayExit);
        if (!MonitorFromPoint(pt, MONITOR_DEFAULTTONULL)) {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &info)) {
                if (pt.x < info.rcWork.left)
                    pt.x = info.rcWork.left;
                if (pt.x > info.rcWork.right)
                    pt.x = info.rcWork.right;
            }
        }
        // Without the foreground the menu would not close when the user clicks elsewhere.
        SetForegroundWindow(window);
        const UINT command = static_cast<UINT>(TrackPopupMenu(
            menu.handle, TPM_RETURNCMD | TPM_BOTTOMALIGN, pt.x, pt.y, 0, window, nullptr));
        PostMessageW(window, WM_COMMAND, command, 0);
    }

    // Windows XP's layout, followed by the field that Vista and later add to it.
    struct NotifyData {
        NOTIFYICONDATAW base;
        HICON balloonIcon;
    };
    static_assert(sizeof(NotifyData) == (sizeof(void*) == 8 ? 976 : 956),
                  "the notification data of Windows Vista and later");

    UINT m_nTrayMessage;
    UINT m_nTaskbarCreated;
    bool m_bInstalled = false;
    // Only the XP part is filled: the balloon icon is never used.
    NotifyData m_data{};
    NOTIFYICONDATAW& m_nid = m_data.base;

private:
    // An elevated program (this one runs as administrator) receives no registered message from
    // the unelevated shell unless it lets that message through. Windows XP has no such filter,
    // nor the function, so it is looked up rather than imported.
    static void AllowFromExplorer(UINT message) {
        using Filter = BOOL(WINAPI*)(UINT, DWORD);
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        const auto filter = user32 ? reinterpret_cast<Filter>(reinterpret_cast<void*>(
                                         GetProcAddress(user32, "ChangeWindowMessageFilter")))
                                   : nullptr;
        // MSGFLT_ADD
        if (filter && message)
            filter(message, 1);
    }

    struct PopupMenu {
        HMENU handle = CreatePopupMenu();
        PopupMenu() = default;
        PopupMenu(const PopupMenu&) = delete;
        PopupMenu& operator=(const PopupMenu&) = delete;
        ~PopupMenu() {
            if (handle)
                DestroyMenu(handle);
        }
    };
};
