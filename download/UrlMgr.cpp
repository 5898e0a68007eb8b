#include "download/UrlMgr.h"

#include <boost/algorithm/string/replace.hpp>
#include <boost/regex.hpp>
#include <boost/thread/thread.hpp>
#include <stdexcept>

#include "Deployment.h"
#include "app/CloudConfig.h"
#include "download/EngineTexts.h"

namespace {
[[noreturn]] void ThrowNoLink() {
    throw std::runtime_error(texts::NoLinkLeft());
}
}  // namespace

bool IsCloudDriveLink(const std::string& url) {
    return url.find(deployment::kCloudDomain) != std::string::npos;
}

UrlMgr::UrlMgr(PageFetcher fetch) : fetch_page(std::move(fetch)) {}

void UrlMgr::SetSavePath(const std::string& path) {
    const auto slash = path.rfind('\\');
    if (slash == std::string::npos) {
        save_dir.clear();
        save_name = path;
        return;
    }
    save_dir = path.substr(0, slash + 1);
    save_name = path.substr(slash + 1);
}

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
    const boost::regex expression(g_cloudConfig.linkRegex);
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
