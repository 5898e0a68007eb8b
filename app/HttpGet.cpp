#include "app/HttpGet.h"

#include <windows.h>
#include <wininet.h>

namespace {

constexpr char kUserAgent[] = "Opera/9.27 (Windows NT 5.2; U; zh-cn) ";

// Shared by every call: the configuration fetch and the share-page fetch never overlap.
char g_readBuffer[1024];

struct InternetHandle {
    HINTERNET h;
    explicit InternetHandle(HINTERNET handle) : h(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() {
        if (h)
            InternetCloseHandle(h);
    }
};

}  // namespace

void HttpGet(const std::string& url, std::ostream& out) {
    InternetHandle session(
        InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.h)
        return;
    // Declared after the session so that it closes first.
    InternetHandle request(
        InternetOpenUrlA(session.h, url.c_str(), nullptr, 0, INTERNET_FLAG_DONT_CACHE, 0));
    if (!request.h)
        return;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.h, g_readBuffer, sizeof g_readBuffer - 1, &got))
            got = 0;
        if (got == 0)
            break;
        out.write(g_readBuffer, got);
    }
}
