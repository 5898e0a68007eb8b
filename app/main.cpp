// Process entry of Quorrin.exe.
#include <windows.h>

#include "app/EntryGuard.h"
#include "app/FetchConfig.h"
#include "app/MainWindowRun.h"
#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return RunEntryGuarded([] {
        return RunStartup({IsAdministrator, FetchConfig, RunMainWindow});
    });
}
