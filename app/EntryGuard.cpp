#include "app/EntryGuard.h"

#include <exception>
#include <string>

#include "base/DebugLog.h"

namespace {

// `what` is narrow text in the ANSI code page, as every exception of the program carries.
void LogUncaught(const std::string& what) {
    debug_log.Write(ToAnsi(L"程序异常终止: ") + what + "\n");
}

}  // namespace

int RunEntryGuarded(int (*start)()) {
    try {
        return start();
    } catch (const std::exception& e) {
        LogUncaught(e.what());
    } catch (...) {
        LogUncaught(ToAnsi(L"未知异常"));
    }
    return kUncaughtExceptionExitCode;
}
