// The link list's platform default: share pages fetched through WinINet, and the process-wide
// instance built on it.
#include <boost/thread/thread.hpp>
#include <sstream>

#include "app/HttpGet.h"
#include "download/UrlMgr.h"

UrlMgr g_urlMgr;

namespace {
// On the download thread a stop interrupts it: the page fetch then ends at once.
std::string FetchWithHttpGet(const std::string& url) {
    std::ostringstream page;
    HttpGet(url, page, HttpLimits{}, [] { return boost::this_thread::interruption_requested(); });
    return page.str();
}
}  // namespace

UrlMgr::UrlMgr() : fetch_page(FetchWithHttpGet) {}
