#include "app/MainWindowRun.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "workflow/CMainDlg.h"

int RunMainWindow(const CloudConfig& config) {
    CoInitialize(nullptr);
    DefWindowProcW(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
    INT_PTR result = -1;
    {
        // Destroyed before COM goes down: its destructor removes the tray icon and waits for a
        // worker that is still running.
        CMainDlg window(config);
        result = window.DoModal(GetActiveWindow());
    }
    CoUninitialize();
    return static_cast<int>(result);
}
