// The program's log, "debug.log" in the current directory, emptied at every start.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "base/AnsiText.h"

class DebugLog {
public:
    explicit DebugLog(const wchar_t* fileName);
    ~DebugLog();
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    // Writes the bytes as they are, under the lock. Each message is flushed at once: the user is
    // sent to read the log while the program still runs, and a buffered line would not be there.
    void Write(const std::string& bytes);

private:
    CRITICAL_SECTION lock;
    FILE* file;
};

// The process-wide log, created before the entry routine runs.
extern DebugLog debug_log;

// printf-style (msvcrt wide conventions: %s takes a wide string), cut at 799 characters, stored
// in the ANSI code page without any addition.
void WriteLog(const wchar_t* format, ...);
