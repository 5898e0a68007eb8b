// Finding, reading and answering a message box from outside, as a user would.
#pragma once

#include <windows.h>

#include <string>

struct MessageBoxSeen {
    HWND window = nullptr;
    DWORD processId = 0;
    std::wstring text;
};

// Waits up to `timeoutMs` for a visible top-level dialog with exactly `caption` (of process
// `processId` when not 0) and reads its message text.
MessageBoxSeen WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs, DWORD processId = 0);

// Presses the box's OK button.
void PressOk(HWND box);

// Presses OK on every box the thread shows, so a test that failed before answering one can end.
void DismissMessageBoxes(DWORD threadId);

// True when a top-level window of `processId` other than `except` exists.
bool ProcessHasOtherWindow(DWORD processId, HWND except);
