// Where the download manager takes its links from.
#pragma once

#include <string>
#include <vector>

class quorrin_download_info_provider {
public:
    virtual ~quorrin_download_info_provider() = default;
    // The link to use; with `advance` the current link is dropped first. Throws
    // std::runtime_error when no link is left.
    virtual std::string GetUrl(bool advance) = 0;
    // The links given up since the last call for a reason worth a line in the log, one line a
    // link ("<link>: <why>"); empty when none.
    virtual std::string TakeNotes() { return std::string(); }
    // The direct links of the list behind the current one, in order: mirrors that a download
    // in pieces may fetch from beside it. None by default.
    virtual std::vector<std::string> Mirrors() const { return {}; }
};
