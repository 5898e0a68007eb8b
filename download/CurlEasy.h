// Owns one libcurl easy handle.
#pragma once

#include <curl/curl.h>

#include <utility>

// Under Wine every socket read is expensive: the largest receive buffer libcurl takes, for every
// transfer of the image.
constexpr long kReceiveBuffer = 512 * 1024;

class CurlEasy {
public:
    CurlEasy() : handle(curl_easy_init()) {}
    ~CurlEasy() {
        if (handle != nullptr) {
            curl_easy_cleanup(handle);
        }
    }
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;
    CurlEasy(CurlEasy&& other) noexcept : handle(other.handle) { other.handle = nullptr; }
    CurlEasy& operator=(CurlEasy&& other) noexcept {
        std::swap(handle, other.handle);
        return *this;
    }
    CURL* get() const { return handle; }

private:
    CURL* handle;
};
