// Where the download manager takes its links from and where it stores the image.
#pragma once

#include <string>

class quorrin_download_info_provider {
public:
    virtual ~quorrin_download_info_provider() = default;
    // The link to use; with `advance` the current link is dropped first. Throws
    // std::runtime_error when no link is left.
    virtual std::string GetUrl(bool advance) = 0;
    // Directory of the image, ending in a backslash (ANSI code page).
    virtual std::string GetSaveDir() = 0;
    virtual std::string GetSaveName() = 0;
};
