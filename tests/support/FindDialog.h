// Finding a dialog that another thread of this process shows.
#pragma once

#include <windows.h>

// Waits up to 5 s for a visible dialog of `threadId` other than `except`, with the window text
// `title` when one is given; null when none appeared.
HWND FindDialog(DWORD threadId, HWND except = nullptr, const wchar_t* title = nullptr);
