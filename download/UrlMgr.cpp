#include "download/UrlMgr.h"

#include <curl/curl.h>

#include <boost/algorithm/string/replace.hpp>
#include <boost/regex.hpp>
#include <boost/thread/thread.hpp>
#include <memory>
#include <stdexcept>
#include <utility>

#include "Deployment.h"
#include "base/UserAgent.h"
#include "download/EngineTexts.h"
#include "download/LinkFailure.h"

namespace {
[[noreturn]] void ThrowNoLink() {
    throw std::runtime_error(texts::NoLinkLeft());
}

// A page past its cap ends the transfer: returning less than was given fails it.
size_t AppendToPage(char* data, size_t size, size_t count, void* page) {
    auto& text = *static_cast<std::string*>(page);
    if (text.size() + size * count > kSharePageMaxBytes) {
        return 0;
    }
    text.append(data, size * count);
    return size * count;
}

// On the download thread a stop interrupts it: a non-zero answer ends the transfer at once.
int StopWhenInterrupted(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return boost::this_thread::interruption_requested() ? 1 : 0;
}

// An empty page for any failure, a cap or the deadline passed included: the list then treats the
// link as one without a match. A certificate, a TLS version or a proxy that refused it throws, so
// that the log can say so.
std::string FetchPage(const TransferSettings& network, const std::string& url) {
    const std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    std::string page;
    if (!curl) {
        return page;
    }
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 7L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, static_cast<long>(kSharePageSeconds));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, AppendToPage);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &page);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, StopWhenInterrupted);
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
    const std::string proxy = network.Apply(h, url);
    const CURLcode result = curl_easy_perform(h);
    const std::string refused = LinkFailureText(ReadRequestEnd(h, result, proxy, error));
    if (!refused.empty()) {
        throw UrlMgr::PageRefused(refused);
    }
    if (result != CURLE_OK) {
        page.clear();
    }
    return page;
}
}  // namespace

bool IsCloudDriveLink(const std::string& url) {
    return url.find(deployment::kCloudDomain) != std::string::npos;
}

UrlMgr::UrlMgr(std::string linkRegex)
    : UrlMgr(std::move(linkRegex), TransferSettings::FromSystem()) {}

UrlMgr::UrlMgr(std::string linkRegex, const TransferSettings& network)
    : UrlMgr(std::move(linkRegex),
             [network](const std::string& url) { return FetchPage(network, url); }) {}

UrlMgr::UrlMgr(std::string linkRegex, PageFetcher fetch)
    : link_regex(std::move(linkRegex)), fetch_page(std::move(fetch)) {}

void UrlMgr::SelectList(const std::deque<std::string>& list) {
    urls = list;
}

std::string UrlMgr::TakeNotes() {
    return std::exchange(notes, std::string());
}

std::vector<std::string> UrlMgr::Mirrors() const {
    std::vector<std::string> mirrors;
    for (std::size_t i = 1; i < urls.size(); ++i) {
        if (!IsCloudDriveLink(urls[i])) {
            mirrors.push_back(urls[i]);
        }
    }
    return mirrors;
}

std::string UrlMgr::GetUrl(bool advance) {
    if (advance) {
        if (urls.empty()) {
            ThrowNoLink();
        }
        urls.pop_front();
    }
    if (urls.empty()) {
        ThrowNoLink();
    }
    if (!IsCloudDriveLink(urls.front())) {
        return urls.front();
    }
    // Compiled first so that an invalid expression fails before any page is fetched.
    const boost::regex expression(link_regex);
    std::string page;
    try {
        page = fetch_page(urls.front());
    } catch (const PageRefused& refused) {
        if (!notes.empty()) {
            notes += "\n";
        }
        notes += urls.front() + ": " + refused.what();
    }
    // A page cut short by a stop says nothing about the link: keep the list as it is.
    boost::this_thread::interruption_point();
    boost::smatch match;
    if (boost::regex_search(page, match, expression)) {
        return boost::algorithm::replace_all_copy(match.str(0), "&amp;", "&");
    }
    urls.pop_front();
    while (!urls.empty() && IsCloudDriveLink(urls.front())) {
        urls.pop_front();
    }
    if (urls.empty()) {
        ThrowNoLink();
    }
    return urls.front();
}
