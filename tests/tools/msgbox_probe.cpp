// Waits for a message box by its caption, prints its text and whether its process shows any
// other window, then presses OK. Used by the tests that run the real program.
// Usage: msgbox_probe CAPTION TIMEOUT_MS
// Prints "TEXT <utf-8 text>" and "OTHER_WINDOW 0|1"; exit code 0 when a box was found.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/MessageBoxProbe.h"
#include "tests/support/TestEnv.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    const MessageBoxSeen box = WaitForMessageBox(argv[1], static_cast<DWORD>(_wtoi(argv[2])));
    if (!box.window) {
        std::printf("NO_BOX\n");
        return 1;
    }
    std::printf("TEXT %s\n", testenv::Utf8(box.text).c_str());
    std::printf("OTHER_WINDOW %d\n", ProcessHasOtherWindow(box.processId, box.window) ? 1 : 0);
    std::fflush(stdout);
    PressOk(box.window);
    return 0;
}
