// The working list of candidate links for the chosen image.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "download/TransferSettings.h"
#include "download/quorrin_download_info_provider.h"

class UrlMgr : public quorrin_download_info_provider {
public:
    // Fetches a share page's bytes; libcurl unless a test supplies another. A page that cannot be
    // had is empty, or throws PageRefused with the log's words when its certificate, its TLS
    // version or the proxy refused it.
    using PageFetcher = std::function<std::string(const std::string& url)>;
    class PageRefused : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // `linkRegex` finds the direct link in a share page (the configuration's expression). Pages
    // are fetched through libcurl with `network`, like the image itself: on XP the system's own
    // HTTPS reaches no current server. Without `network`, the platform's settings.
    explicit UrlMgr(std::string linkRegex);
    UrlMgr(std::string linkRegex, const TransferSettings& network);
    UrlMgr(std::string linkRegex, PageFetcher fetch);

    // Replaces the working list with a copy of `list`.
    void SelectList(const std::deque<std::string>& list);

    // A cloud-drive link at the front is resolved through its share page on every call and stays
    // at the front; a page without a match drops it and every cloud-drive link behind it.
    std::string GetUrl(bool advance) override;
    // Share pages refused for their certificate, their TLS version or the proxy.
    std::string TakeNotes() override;
    // Share links are left out: each would cost a page of its own, and its link may not last.
    std::vector<std::string> Mirrors() const override;

    const std::deque<std::string>& Links() const { return urls; }

private:
    std::deque<std::string> urls;
    std::string link_regex;
    PageFetcher fetch_page;
    std::string notes;
};

// A share page is one HTML page of some hundred kilobytes: 1 MiB holds any real one, and 30 s
// lets it arrive over a slow line while an endless or trickling answer cannot hold the link.
// Past either the page counts as a link that failed.
constexpr std::size_t kSharePageMaxBytes = 1024 * 1024;
constexpr unsigned long kSharePageSeconds = 30;

// Contains the cloud-drive service's domain, with exact case.
bool IsCloudDriveLink(const std::string& url);
