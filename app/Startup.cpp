#include "app/Startup.h"

#include <windows.h>
#include <shlobj.h>

#include <curl/curl.h>

#include "app/InstanceMutex.h"
#include "app/UserLocale.h"
#include "base/CenterOnWorkArea.h"
#include "base/CloudConfig.h"

const wchar_t kInstanceMutexName[] =
    L"{EC1A101B-CCA9-4d51-A228-BA54F5A19FB6:C5F985DC-38DA-4ae9-9539-BB70E849A424}";
const wchar_t kMainWindowTitle[] = L"Quorrin一键装机";

namespace {

constexpr wchar_t kSorryCaption[] = L"抱歉";
constexpr wchar_t kNeedAdminText[] = L"您必须以管理员权限启动本程序!";
constexpr wchar_t kNoConfigText[] = L"无法连接云服务器， 请检查网络!";
constexpr wchar_t kUnauthenticConfigText[] =
    L"云配置的签名无效， 可能已被篡改， 为安全起见本程序将退出!";

void RaiseRunningInstance() {
    HWND running = FindWindowW(nullptr, kMainWindowTitle);
    if (!IsWindow(running))
        return;
    ShowWindow(running, SW_SHOW);
    SetWindowPos(running, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(running, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    CenterOnWorkArea(running);
}

}  // namespace

bool IsAdministrator() {
    return IsUserAnAdmin() != FALSE;
}

int RunStartup(const StartupSeams& seams) {
    // Held until start-up returns, which for the program is the end of its life; a second
    // instance lets go of the name at once, so start-up can run again in the same process.
    const InstanceMutex instance(kInstanceMutexName);
    if (!instance.IsFirstInstance()) {
        RaiseRunningInstance();
        return 0;
    }
    curl_global_init(CURL_GLOBAL_WIN32);
    if (!seams.isAdmin()) {
        MessageBoxW(nullptr, kNeedAdminText, kSorryCaption, MB_OK);
        return 0;
    }
    ApplyUserDefaultLocale();
    CloudConfig config;
    switch (seams.fetchConfig(config)) {
        case ConfigStatus::Fetched:
            break;
        case ConfigStatus::Unavailable:
            MessageBoxW(nullptr, kNoConfigText, kSorryCaption, MB_OK);
            return 0;
        case ConfigStatus::Unauthentic:
            MessageBoxW(nullptr, kUnauthenticConfigText, kSorryCaption, MB_OK);
            return 0;
    }
    const int result = seams.runMainWindow(config);
    curl_global_cleanup();
    return result;
}
