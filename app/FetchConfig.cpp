#include "app/FetchConfig.h"

#include <windows.h>

#include <optional>
#include <sstream>

#include "Deployment.h"
#include "base/DebugLog.h"
#include "base/HttpGet.h"
#include "base/SignedDocument.h"

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

// The bytes of `document` to parse: all of them without a key, the signed ones with it; none, and
// the log says why, when the key did not sign the document.
std::optional<std::string_view> AuthenticBytes(std::string_view document,
                                               std::string_view publicKeyHex) {
    if (publicKeyHex.empty())
        return document;
    const SignedDocument checked = CheckSignedDocument(document, publicKeyHex);
    switch (checked.check) {
        case SignedDocument::Check::Valid:
            return checked.body;
        case SignedDocument::Check::Missing:
            WriteLog(L"云配置签名无效: 缺少签名\n");
            break;
        case SignedDocument::Check::Malformed:
            WriteLog(L"云配置签名无效: 签名格式错误\n");
            break;
        case SignedDocument::Check::Mismatch:
            WriteLog(L"云配置签名无效: 签名与内容不符\n");
            break;
    }
    return std::nullopt;
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

ConfigStatus FetchConfigFrom(const std::string& url, std::string_view publicKeyHex,
                             CloudConfig& config) {
    std::ostringstream body;
    // A document cut off anywhere could still parse, with mirrors missing: it is no document.
    switch (HttpGet(url, body, kConfigLimits)) {
        case HttpResult::Complete:
            break;
        case HttpResult::TooLarge:
            WriteLog(L"云配置超过 %u 字节, 已放弃\n",
                     static_cast<unsigned>(kConfigLimits.maxBytes));
            return ConfigStatus::Unavailable;
        case HttpResult::TooSlow:
            WriteLog(L"云配置 %u 秒内未下载完, 已放弃\n",
                     static_cast<unsigned>(kConfigLimits.totalMs / 1000));
            return ConfigStatus::Unavailable;
        default:
            WriteLog(L"无法下载云配置\n");
            return ConfigStatus::Unavailable;
    }
    const std::string document = body.str();
    const std::optional<std::string_view> authentic = AuthenticBytes(document, publicKeyHex);
    if (!authentic)
        return ConfigStatus::Unauthentic;
    std::istringstream parsed{std::string(*authentic)};
    if (!ParseConfig(parsed, config)) {
        WriteLog(L"云配置无效\n");
        return ConfigStatus::Unavailable;
    }
    return ConfigStatus::Fetched;
}

ConfigStatus FetchConfig(std::string_view publicKeyHex, CloudConfig& config) {
    return FetchConfigFrom(ConfigAddress(), publicKeyHex, config);
}
