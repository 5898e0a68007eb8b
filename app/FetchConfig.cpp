#include "app/FetchConfig.h"

#include <windows.h>

#include <sstream>

#include "Deployment.h"
#include "base/DebugLog.h"
#include "base/HttpGet.h"

namespace {

// The document is a few mirror lists of a few lines each: 64 KiB holds hundreds of mirrors and
// ends an endless or hostile answer long before it weighs on an old PC; 30 s is three times the
// connection's own limit, for a document of a few kilobytes on the slowest line.
constexpr HttpLimits kConfigLimits{10000, 10000, 30000, 64 * 1024};

// The demo and the tests serve the configuration on a port chosen when they run; the program
// they run is built exactly as a released one.
constexpr wchar_t kHostVariable[] = L"QUORRIN_CONFIG_HOST";

std::wstring ConfigHost() {
    wchar_t fromEnvironment[256] = {};
    const DWORD length = GetEnvironmentVariableW(kHostVariable, fromEnvironment, 256);
    if (length > 0 && length < 256 && IsConfigHost(fromEnvironment))
        return fromEnvironment;
    return deployment::kConfigHost;
}

std::string ConfigAddress() {
    const std::wstring wide = L"http://" + ConfigHost() + L"/kestrin_1_0.ini";
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(size) - 1);
    return narrow;
}

}  // namespace

bool IsConfigHost(const std::wstring& host) {
    if (host.empty() || host.size() > 255)
        return false;
    for (wchar_t c : host) {
        const bool allowed = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                             (c >= L'0' && c <= L'9') || c == L'.' || c == L'-' || c == L':';
        if (!allowed)
            return false;
    }
    return true;
}

bool FetchConfigFrom(const std::string& url, CloudConfig& config) {
    std::stringstream body;
    // A document cut off anywhere could still parse, with mirrors missing: it is no document.
    switch (HttpGet(url, body, kConfigLimits)) {
        case HttpResult::Complete:
            break;
        case HttpResult::TooLarge:
            WriteLog(L"云配置超过 %u 字节, 已放弃\n",
                     static_cast<unsigned>(kConfigLimits.maxBytes));
            return false;
        case HttpResult::TooSlow:
            WriteLog(L"云配置 %u 秒内未下载完, 已放弃\n",
                     static_cast<unsigned>(kConfigLimits.totalMs / 1000));
            return false;
        default:
            WriteLog(L"无法下载云配置\n");
            return false;
    }
    if (!ParseConfig(body, config)) {
        WriteLog(L"云配置无效\n");
        return false;
    }
    return true;
}

bool FetchConfig(CloudConfig& config) {
    return FetchConfigFrom(ConfigAddress(), config);
}
