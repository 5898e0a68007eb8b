// The finished byte ranges of an image fetched in pieces, and their record beside the work file:
// the record only ever names bytes that were written, so a run killed at any moment fetches at
// most the bytes written after the record's last save.
#pragma once

#include <boost/filesystem/path.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class RangeMap {
public:
    // Half-open: the bytes from `begin` up to, not including, `end`.
    struct Range {
        std::int64_t begin;
        std::int64_t end;
        bool operator==(const Range& other) const {
            return begin == other.begin && end == other.end;
        }
    };

    explicit RangeMap(std::int64_t total);

    std::int64_t Total() const { return total; }
    // Marks [begin, end) finished; empty or reversed ranges change nothing. Clipped to the image.
    void Add(std::int64_t begin, std::int64_t end);
    // Forgets every finished byte.
    void Clear() { finished.clear(); }
    // Bytes finished.
    std::int64_t Done() const;
    // The end of the finished run that starts at byte 0.
    std::int64_t Prefix() const;
    bool Whole() const { return Prefix() == total; }
    // Finished ranges, in order, none touching another.
    const std::vector<Range>& Finished() const { return finished; }
    // The ranges still to fetch, in order.
    std::vector<Range> Missing() const;

    // A few lines of text that Restore takes up again.
    std::string Save() const;
    // None for text that is not a record, or one whose ranges overlap, touch out of order or
    // leave the image.
    static std::optional<RangeMap> Restore(const std::string& text);

    // Written beside and renamed over `path`: a torn write leaves the older record, which still
    // names only bytes that were written. False when it could not be written.
    bool Store(const boost::filesystem::path& path) const;
    // None when the file is missing or holds no record.
    static std::optional<RangeMap> Load(const boost::filesystem::path& path);

private:
    std::int64_t total;
    std::vector<Range> finished;
};
