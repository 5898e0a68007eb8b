// The working list of candidate links for the chosen image, and where the image is stored.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "download/quorrin_download_info_provider.h"

class UrlMgr : public quorrin_download_info_provider {
public:
    // Fetches a share page's bytes; HttpGet unless a test supplies another.
    using PageFetcher = std::function<std::string(const std::string& url)>;

    // Fetches with the platform's default: HttpGet on Windows (UrlMgr_win.cpp), libcurl elsewhere
    // (UrlMgr_posix.cpp).
    UrlMgr();
    explicit UrlMgr(PageFetcher fetch);

    // `path` in the ANSI code page; split after its last backslash.
    void SetSavePath(const std::string& path);
    // Replaces the working list with a copy of `list`.
    void SelectList(const std::deque<std::string>& list);

    // A cloud-drive link at the front is resolved through its share page on every call and stays
    // at the front; a page without a match drops it and every cloud-drive link behind it.
    std::string GetUrl(bool advance) override;
    std::string GetSaveDir() override { return save_dir; }
    std::string GetSaveName() override { return save_name; }

    const std::deque<std::string>& Links() const { return urls; }

private:
    std::string save_dir;
    std::string save_name;
    std::deque<std::string> urls;
    PageFetcher fetch_page;
};

// Contains the cloud-drive service's domain, with exact case.
bool IsCloudDriveLink(const std::string& url);

// The process-wide instance the window fills and the download manager reads (UrlMgr_win.cpp,
// UrlMgr_posix.cpp).
extern UrlMgr g_urlMgr;
