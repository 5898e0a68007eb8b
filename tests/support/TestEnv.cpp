#include "tests/support/TestEnv.h"

#include <windows.h>

#include <cstdlib>
#include <sstream>

#include "base/HttpGet.h"

namespace testenv {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ServerUrl() {
    return Env("QUORRIN_TEST_SERVER");
}
std::string DeadServerUrl() {
    return Env("QUORRIN_TEST_DEAD_SERVER");
}

std::wstring DocRoot() {
    const wchar_t* value = _wgetenv(L"QUORRIN_TEST_DOCROOT");
    return value ? value : L"";
}

std::string UrlEncode(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string Fetch(const std::string& url) {
    std::stringstream body;
    HttpGet(url, body);
    return body.str();
}

}  // namespace testenv
