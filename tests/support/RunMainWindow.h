// The real main window run as the program runs it, with a test acting on it meanwhile.
#pragma once

#include <windows.h>

#include <functional>

#include "workflow/CMainDlg.h"

// Runs `dialog` modally on this thread while `drive` acts on its window from another; whatever
// `drive` leaves open (message boxes, then the window itself through the tray menu's quit
// command) is ended afterwards. Returns the modal result.
INT_PTR RunMainWindow(CMainDlg& dialog, const std::function<void(HWND)>& drive);
