#include "tests/support/MessageBoxProbe.h"

namespace {

struct Search {
    const std::wstring* caption;
    DWORD processId;
    HWND found;
};

std::wstring WindowText(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

BOOL CALLBACK FindButton(HWND child, LPARAM param) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (_wcsicmp(cls, L"Button") != 0)
        return TRUE;
    *reinterpret_cast<bool*>(param) = true;
    return FALSE;
}

// A box has real button windows; the skinned windows that may share its caption draw theirs.
bool HasButton(HWND window) {
    bool found = false;
    EnumChildWindows(window, FindButton, reinterpret_cast<LPARAM>(&found));
    return found;
}

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(window) &&
        WindowText(window) == *search->caption && HasButton(window) &&
        (search->processId == 0 || pid == search->processId)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The message is the box's longest static text (the icon is a static without text).
BOOL CALLBACK FindText(HWND child, LPARAM param) {
    auto* text = reinterpret_cast<std::wstring*>(param);
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (_wcsicmp(cls, L"Static") == 0) {
        std::wstring candidate = WindowText(child);
        if (candidate.size() > text->size())
            *text = candidate;
    }
    return TRUE;
}

struct OtherWindow {
    DWORD processId;
    HWND except;
    bool found;
};

BOOL CALLBACK FindOther(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OtherWindow*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->processId && window != search->except && IsWindowVisible(window)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

MessageBoxSeen WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs, DWORD processId) {
    MessageBoxSeen seen;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        Search search{&caption, processId, nullptr};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            seen.window = search.found;
            GetWindowThreadProcessId(search.found, &seen.processId);
            EnumChildWindows(search.found, FindText, reinterpret_cast<LPARAM>(&seen.text));
            return seen;
        }
        Sleep(50);
    }
    return seen;
}

void PressOk(HWND box) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

BOOL CALLBACK DismissBox(HWND window, LPARAM) {
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (wcscmp(cls, L"#32770") == 0 && HasButton(window))
        PressOk(window);
    return TRUE;
}

void DismissMessageBoxes(DWORD threadId) {
    EnumThreadWindows(threadId, DismissBox, 0);
}

bool ProcessHasOtherWindow(DWORD processId, HWND except) {
    OtherWindow search{processId, except, false};
    EnumWindows(FindOther, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
