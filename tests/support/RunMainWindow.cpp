#include "tests/support/RunMainWindow.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/FindDialog.h"
#include "tests/support/MessageBoxProbe.h"
#include "workflow/MainTexts.h"

INT_PTR RunMainWindow(CMainDlg& dialog, const std::function<void(HWND)>& drive) {
    const DWORD uiThread = GetCurrentThreadId();
    std::thread driver([&] {
        const HWND window = FindDialog(uiThread, nullptr, main_texts::kTitle);
        if (!window) {
            ADD_FAILURE() << "the main window did not appear";
            return;
        }
        drive(window);
        DismissMessageBoxes(uiThread);
        if (IsWindow(window))
            PostMessageW(window, WM_COMMAND, ID_TRAY_EXIT, 0);
    });
    const INT_PTR result = dialog.DoModal(nullptr);
    driver.join();
    return result;
}
