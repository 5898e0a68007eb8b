// The start-up sequence: single instance, transfer library, rights, locale, configuration,
// main window, clean-up.
#pragma once

#include "app/ConfigStatus.h"

struct CloudConfig;

// The steps that touch the outside world, replaceable so tests can make cases the platform
// cannot (Wine always reports an administrator).
struct StartupSeams {
    bool (*isAdmin)();
    ConfigStatus (*fetchConfig)(CloudConfig& config);
    int (*runMainWindow)(const CloudConfig& config);
};

// IsUserAnAdmin.
bool IsAdministrator();

// Name of the single-instance mutex and the main window text a second instance looks for.
extern const wchar_t kInstanceMutexName[];
extern const wchar_t kMainWindowTitle[];

// Runs the whole start-up and returns the process exit code: 0 on every path except a main
// window that could not be created (-1).
int RunStartup(const StartupSeams& seams);
