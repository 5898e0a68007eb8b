#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "app/Startup.h"
#include "tests/support/MessageBoxProbe.h"
#include "tests/support/TestEnv.h"

// These run in one process in file order: the first start-up takes the single-instance mutex
// and keeps it, as the real program does, so every later start-up is a second instance.
namespace {

std::atomic<int> g_fetches{0};
std::atomic<int> g_runs{0};

bool NotAdmin() {
    return false;
}
bool Admin() {
    return true;
}
bool CountFetch() {
    ++g_fetches;
    return true;
}
int CountRun() {
    ++g_runs;
    return 0;
}

TEST(Startup, WithoutAdministratorRightsOnlyTheRightsMessageAppears) {
    std::atomic<int> result{-2};
    std::thread startup([&] { result = RunStartup({NotAdmin, CountFetch, CountRun}); });
    const MessageBoxSeen box = WaitForMessageBox(L"抱歉", 10000, GetCurrentProcessId());
    ASSERT_NE(box.window, nullptr) << "no message box captioned 抱歉";
    EXPECT_EQ(testenv::Utf8(box.text), "您必须以管理员权限启动本程序!");
    PressOk(box.window);
    startup.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_fetches, 0) << "the configuration server must not be contacted";
    EXPECT_EQ(g_runs, 0);
}

TEST(Startup, ASecondInstanceShowsCentresAndRaisesTheFirstAndEndsAtOnce) {
    HWND first = CreateWindowExW(0, L"STATIC", kMainWindowTitle, WS_POPUP, 0, 0, 200, 100, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_FALSE(IsWindowVisible(first));

    EXPECT_EQ(RunStartup({Admin, CountFetch, CountRun}), 0);

    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_EQ(GetWindowLongW(first, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "left topmost";
    RECT rc;
    GetWindowRect(first, &rc);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(first, MONITOR_DEFAULTTONEAREST), &info);
    EXPECT_NEAR((rc.left + rc.right) / 2, (info.rcWork.left + info.rcWork.right) / 2, 1);
    EXPECT_NEAR((rc.top + rc.bottom) / 2, (info.rcWork.top + info.rcWork.bottom) / 2, 1);
    EXPECT_EQ(g_fetches, 0);
    EXPECT_EQ(g_runs, 0);
    DestroyWindow(first);
}

}  // namespace
