// The download engine with its working parts in reach: tests and benchmarks set the state a
// window would read and watch the worker, where the window itself only has the engine's interface.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "download/UrlMgr.h"
#include "download/quorrin_download_mgr.h"

class OpenDownloadMgr : public quorrin_download_mgr {
public:
    using quorrin_download_mgr::alone_within_seconds;
    using quorrin_download_mgr::average_rate;
    using quorrin_download_mgr::current_rate;
    using quorrin_download_mgr::downloaded;
    using quorrin_download_mgr::error_text;
    using quorrin_download_mgr::finished;
    using quorrin_download_mgr::outcome;
    using quorrin_download_mgr::quorrin_download_mgr;
    using quorrin_download_mgr::segmented_min_size;
    using quorrin_download_mgr::segments;
    using quorrin_download_mgr::stop_requested;
    using quorrin_download_mgr::total_size;
    using quorrin_download_mgr::worker;
    using quorrin_download_mgr::zero_rate_limit;
};

// A link list as the window builds it.
inline std::unique_ptr<UrlMgr> MakeLinks(const std::deque<std::string>& links,
                                         const std::string& linkRegex = std::string()) {
    auto list = std::make_unique<UrlMgr>(linkRegex);
    list->SelectList(links);
    return list;
}
