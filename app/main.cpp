// Process entry of Quorrin.exe.
#include <windows.h>

#include "ConfigKey.h"
#include "app/EntryGuard.h"
#include "app/FetchConfig.h"
#include "app/MainWindowRun.h"
#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return RunEntryGuarded([] {
        // The key reaches the fetch from here alone: a program built from this entry with
        // another generated ConfigKey.h differs from this one in nothing else.
        return RunStartup(
            {IsAdministrator,
             [](CloudConfig& config) { return FetchConfig(deployment::kConfigKey, config); },
             RunMainWindow});
    });
}
