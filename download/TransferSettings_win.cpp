// On Windows: the CA bundle carried inside the program, and the proxy of Internet Options as
// WinINet, which fetches the configuration, sees it.
#include <windows.h>
#include <wininet.h>

#include "base/AnsiText.h"
#include "download/CaBundleResource.h"
#include "download/TransferSettings.h"

namespace {

std::string EmbeddedCaBundle() {
    const HMODULE module = GetModuleHandleW(nullptr);
    // Resources belong to the loaded module: nothing here is freed.
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_CA_BUNDLE), RT_RCDATA);
    if (found == nullptr) {
        return std::string();
    }
    const HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bytes == nullptr) {
        return std::string();
    }
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}

// A string WinINet allocated for the caller.
class GlobalText {
public:
    explicit GlobalText(wchar_t* text) : text(text) {}
    ~GlobalText() {
        if (text != nullptr) {
            GlobalFree(text);
        }
    }
    GlobalText(const GlobalText&) = delete;
    GlobalText& operator=(const GlobalText&) = delete;
    std::string Ansi() const { return text == nullptr ? std::string() : ToAnsi(text); }

private:
    wchar_t* text;
};

// The LAN's settings (no dial-up connection named): the manual proxy with its bypass list. An
// automatic configuration script or detection is not followed: such a machine goes direct.
ProxyRules InternetOptionsProxy() {
    INTERNET_PER_CONN_OPTIONW options[3] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    INTERNET_PER_CONN_OPTION_LISTW list = {};
    list.dwSize = sizeof(list);
    list.pszConnection = nullptr;
    list.dwOptionCount = 3;
    list.pOptions = options;
    DWORD size = sizeof(list);
    if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size)) {
        return ProxyRules();
    }
    const GlobalText server(options[1].Value.pszValue);
    const GlobalText bypass(options[2].Value.pszValue);
    if ((options[0].Value.dwValue & PROXY_TYPE_PROXY) == 0) {
        return ProxyRules();
    }
    return ProxyRules(server.Ansi(), bypass.Ansi());
}

}  // namespace

TransferSettings TransferSettings::FromSystem() {
    return TransferSettings(EmbeddedCaBundle(), InternetOptionsProxy());
}
