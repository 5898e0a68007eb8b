#include "app/FetchConfig.h"

#include <windows.h>

#include <sstream>

#include "Deployment.h"
#include "app/HttpGet.h"

namespace {

std::string ConfigAddress() {
    const std::wstring wide =
        std::wstring(L"http://") + deployment::kConfigHost + L"/kestrin_1_0.ini";
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(size) - 1);
    return narrow;
}

}  // namespace

bool FetchConfigFrom(const std::string& url, CloudConfig& config) {
    std::stringstream body;
    HttpGet(url, body);
    return ParseConfig(body, config);
}

bool FetchConfig() {
    return FetchConfigFrom(ConfigAddress(), g_cloudConfig);
}
