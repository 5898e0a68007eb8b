#include "app/FetchConfig.h"

#include <windows.h>

#include <sstream>

#include "Deployment.h"
#include "base/HttpGet.h"

namespace {

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
    HttpGet(url, body);
    return ParseConfig(body, config);
}

bool FetchConfig(CloudConfig& config) {
    return FetchConfigFrom(ConfigAddress(), config);
}
