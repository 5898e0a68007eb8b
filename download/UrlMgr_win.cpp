// The link list's platform default: share pages fetched through WinINet.
#include <boost/thread/thread.hpp>
#include <sstream>
#include <utility>

#include "base/HttpGet.h"
#include "download/UrlMgr.h"

namespace {
// On the download thread a stop interrupts it: the page fetch then ends at once. A page past its
// size or time limit is no page: empty, it drops the link like one without a match.
std::string FetchWithHttpGet(const std::string& url) {
    std::ostringstream page;
    HttpLimits limits;
    limits.totalMs = kSharePageSeconds * 1000;
    limits.maxBytes = kSharePageMaxBytes;
    const HttpResult result =
        HttpGet(url, page, limits, [] { return boost::this_thread::interruption_requested(); });
    if (result == HttpResult::TooLarge || result == HttpResult::TooSlow)
        return std::string();
    return page.str();
}
}  // namespace

UrlMgr::UrlMgr(std::string linkRegex) : UrlMgr(std::move(linkRegex), FetchWithHttpGet) {}
