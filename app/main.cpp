// Process entry of Quorrin.exe.
#include <windows.h>

#include "app/FetchConfig.h"
#include "app/MainWindowRun.h"
#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Start-up must never end in an uncaught exception; every path that ends normally exits 0.
    try {
        return RunStartup({IsAdministrator, FetchConfig, RunMainWindow});
    } catch (...) {
        return 0;
    }
}
