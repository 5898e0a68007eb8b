#include "download/UrlMgr.h"

#include <boost/algorithm/string/replace.hpp>
#include <boost/regex.hpp>
#include <boost/thread/thread.hpp>
#include <stdexcept>
#include <utility>

#include "Deployment.h"
#include "download/EngineTexts.h"

namespace {
[[noreturn]] void ThrowNoLink() {
    throw std::runtime_error(texts::NoLinkLeft());
}
}  // namespace

bool IsCloudDriveLink(const std::string& url) {
    return url.find(deployment::kCloudDomain) != std::string::npos;
}

UrlMgr::UrlMgr(std::string linkRegex, PageFetcher fetch)
    : link_regex(std::move(linkRegex)), fetch_page(std::move(fetch)) {}

void UrlMgr::SelectList(const std::deque<std::string>& list) {
    urls = list;
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
    const std::string page = fetch_page(urls.front());
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
