// The link list's default away from Windows: share pages fetched through libcurl.
#include <curl/curl.h>

#include <boost/thread/thread.hpp>
#include <memory>
#include <utility>

#include "download/UrlMgr.h"

namespace {

// A page past its cap ends the transfer: returning less than was given fails it.
size_t AppendToPage(char* data, size_t size, size_t count, void* page) {
    auto& text = *static_cast<std::string*>(page);
    if (text.size() + size * count > kSharePageMaxBytes)
        return 0;
    text.append(data, size * count);
    return size * count;
}

// On the download thread a stop interrupts it: a non-zero answer ends the transfer at once.
int StopWhenInterrupted(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return boost::this_thread::interruption_requested() ? 1 : 0;
}

// An empty page for any failure: the list then treats the link as one without a match.
std::string FetchWithCurl(const std::string& url) {
    const std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    std::string page;
    if (!curl)
        return page;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, static_cast<long>(kSharePageSeconds));
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, AppendToPage);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &page);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, StopWhenInterrupted);
    if (curl_easy_perform(curl.get()) != CURLE_OK)
        page.clear();
    return page;
}

}  // namespace

UrlMgr::UrlMgr(std::string linkRegex) : UrlMgr(std::move(linkRegex), FetchWithCurl) {}
