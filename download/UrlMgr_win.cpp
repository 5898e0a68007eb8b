// The link list's platform default: share pages fetched through WinINet.
#include <boost/thread/thread.hpp>
#include <sstream>
#include <utility>

#include "base/HttpGet.h"
#include "download/UrlMgr.h"

namespace {
// On the download thread a stop interrupts it: the page fetch then ends at once.
std::string FetchWithHttpGet(const std::string& url) {
    std::ostringstream page;
    HttpGet(url, page, HttpLimits{}, [] { return boost::this_thread::interruption_requested(); });
    return page.str();
}
}  // namespace

UrlMgr::UrlMgr(std::string linkRegex) : UrlMgr(std::move(linkRegex), FetchWithHttpGet) {}
