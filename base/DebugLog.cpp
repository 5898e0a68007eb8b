#include "base/DebugLog.h"

#include <cstdarg>

DebugLog debug_log(L"debug.log");

DebugLog::DebugLog(const wchar_t* fileName) : file(_wfopen(fileName, L"w+")) {
    InitializeCriticalSection(&lock);
}

DebugLog::~DebugLog() {
    if (file != nullptr) {
        fclose(file);
    }
    DeleteCriticalSection(&lock);
}

void DebugLog::Write(const std::string& bytes) {
    EnterCriticalSection(&lock);
    if (file != nullptr) {
        fwrite(bytes.data(), 1, bytes.size(), file);
        fflush(file);
    }
    LeaveCriticalSection(&lock);
}

void WriteLog(const wchar_t* format, ...) {
    constexpr size_t kLogLineChars = 800;
    wchar_t buffer[kLogLineChars] = {};
    va_list args;
    va_start(args, format);
    // The msvcrt formatter, not MinGW's C99 one: "%s" in a wide format takes a wide string.
    _vsnwprintf(buffer, kLogLineChars - 1, format, args);
    va_end(args);
    buffer[kLogLineChars - 1] = L'\0';
    debug_log.Write(ToAnsi(buffer));
}
