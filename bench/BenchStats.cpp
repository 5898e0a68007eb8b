#include "bench/BenchStats.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

namespace {
double Seconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;
}
}  // namespace

std::string ResultLine(long long bytes, double wallSeconds) {
    FILETIME created, ended, kernel, user;
    double cpu = 0;
    if (GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) {
        cpu = Seconds(kernel) + Seconds(user);
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    char line[256];
    std::snprintf(line, sizeof(line),
                  "bytes=%lld wall=%.3f mib_per_s=%.1f cpu=%.3f peak_ws_mib=%.1f", bytes,
                  wallSeconds, wallSeconds > 0 ? bytes / 1048576.0 / wallSeconds : 0.0, cpu,
                  memory.PeakWorkingSetSize / 1048576.0);
    return line;
}
