#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>

#include "app/EntryGuard.h"
#include "app/InstanceMutex.h"
#include "app/Startup.h"
#include "base/DebugLog.h"
#include "tests/support/FileBytes.h"
#include "tests/support/JoiningThread.h"
#include "tests/support/MessageBoxProbe.h"
#include "tests/support/PipedProcess.h"
#include "tests/support/TestEnv.h"

namespace {

std::atomic<int> g_fetches{0};
std::atomic<int> g_runs{0};

bool NotAdmin() {
    return false;
}
bool Admin() {
    return true;
}
ConfigStatus CountFetch(CloudConfig&) {
    ++g_fetches;
    return ConfigStatus::Fetched;
}
int CountRun(const CloudConfig&) {
    ++g_runs;
    return 0;
}

// Every case starts as the first and only instance, whatever ran before it in this process.
class StartupTest : public testing::Test {
protected:
    void SetUp() override {
        g_fetches = 0;
        g_runs = 0;
        const InstanceMutex probe(kInstanceMutexName);
        ASSERT_TRUE(probe.IsFirstInstance()) << "another instance holds the single-instance mutex";
    }
};

TEST_F(StartupTest, WithoutAdministratorRightsOnlyTheRightsMessageAppears) {
    std::atomic<int> result{-2};
    JoiningThread startup([&] { result = RunStartup({NotAdmin, CountFetch, CountRun}); });
    const MessageBoxSeen box = WaitForMessageBox(L"抱歉", 10000, GetCurrentProcessId());
    ASSERT_NE(box.window, nullptr) << "no message box captioned 抱歉";
    EXPECT_EQ(testenv::Utf8(box.text), "您必须以管理员权限启动本程序!");
    PressOk(box.window);
    startup.Join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_fetches, 0) << "the configuration server must not be contacted";
    EXPECT_EQ(g_runs, 0);
}

// The first instance is another process, as it is for the program: the raise reaches its window
// through messages to that process's thread.
TEST_F(StartupTest, ASecondInstanceShowsCentresAndRaisesTheFirstAndEndsAtOnce) {
    std::wstring holderPath = L"" QUORRIN_INSTANCE_HOLDER;
    std::replace(holderPath.begin(), holderPath.end(), L'/', L'\\');
    PipedProcess first(holderPath, L"20000");
    ASSERT_EQ(first.ReadLine(), "READY");

    EXPECT_EQ(RunStartup({Admin, CountFetch, CountRun}), 0);

    std::istringstream shown(first.ReadLine());
    std::string word;
    long centreX = 0, centreY = 0, workX = 0, workY = 0;
    int topmost = -1;
    shown >> word >> centreX >> centreY >> workX >> workY >> topmost;
    ASSERT_EQ(word, "SHOWN") << "the first instance was not shown and moved";
    EXPECT_NEAR(centreX, workX, 1);
    EXPECT_NEAR(centreY, workY, 1);
    EXPECT_EQ(topmost, 0) << "left topmost";
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(g_fetches, 0);
    EXPECT_EQ(g_runs, 0);
}

ConfigStatus FetchThrowsStandard(CloudConfig&) {
    throw std::runtime_error("the INI reader gave up");
}
ConfigStatus FetchThrowsOther(CloudConfig&) {
    throw 42;
}
int StartWithStandardException() {
    return RunStartup({Admin, FetchThrowsStandard, CountRun});
}
int StartWithOtherException() {
    return RunStartup({Admin, FetchThrowsOther, CountRun});
}
int StartThatCannotCreateTheWindow() {
    return -1;
}

// The log's bytes as they are on disk, where the text-mode file ends each line with CR LF.
std::string LogContent() {
    return ReadBytes("debug.log");
}

TEST_F(StartupTest, AnExceptionThatEscapesStartUpIsLoggedAndEndsTheRunWithAFailureCode) {
    static_assert(kUncaughtExceptionExitCode != 0, "a run an exception ended must not look whole");
    const struct {
        const char* name;
        int (*start)();
        int exitCode;
        std::string logged;
    } cases[] = {
        {"standard exception", StartWithStandardException, kUncaughtExceptionExitCode,
         ToAnsi(L"程序异常终止: ") + "the INI reader gave up\r\n"},
        {"other exception", StartWithOtherException, kUncaughtExceptionExitCode,
         ToAnsi(L"程序异常终止: 未知异常") + "\r\n"},
        {"no exception", StartThatCannotCreateTheWindow, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = LogContent().size();
        EXPECT_EQ(RunEntryGuarded(c.start), c.exitCode);
        EXPECT_EQ(LogContent().substr(before), c.logged);
        const InstanceMutex after(kInstanceMutexName);
        EXPECT_TRUE(after.IsFirstInstance()) << "the ended start-up still holds the mutex";
    }
    EXPECT_EQ(g_runs, 0);
}

}  // namespace
