// Polling for a condition that another thread or process brings about.
#pragma once

#include <windows.h>

#include <functional>

// Polls `done` every 20 ms for up to `timeoutMs`; true as soon as it holds.
inline bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (done())
            return true;
        Sleep(20);
    }
    return done();
}
