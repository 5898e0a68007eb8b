#include "download/RangeMap.h"

#include <algorithm>
#include <boost/filesystem/operations.hpp>
#include <fstream>
#include <sstream>

namespace fs = boost::filesystem;

namespace {
const char kHeader[] = "quorrin-ranges 1";
// A record is a few lines a connection: anything far longer is not one.
constexpr std::streamsize kMaxRecordBytes = 1024 * 1024;
}  // namespace

RangeMap::RangeMap(std::int64_t total) : total(total) {}

void RangeMap::Add(std::int64_t begin, std::int64_t end) {
    begin = std::max<std::int64_t>(begin, 0);
    end = std::min(end, total);
    if (begin >= end) {
        return;
    }
    // The first range that ends at or after `begin` may merge; so may every one that starts at
    // or before `end`.
    auto first = std::lower_bound(finished.begin(), finished.end(), begin,
                                  [](const Range& r, std::int64_t at) { return r.end < at; });
    auto last = first;
    while (last != finished.end() && last->begin <= end) {
        begin = std::min(begin, last->begin);
        end = std::max(end, last->end);
        ++last;
    }
    first = finished.erase(first, last);
    finished.insert(first, Range{begin, end});
}

std::int64_t RangeMap::Done() const {
    std::int64_t done = 0;
    for (const Range& r : finished) {
        done += r.end - r.begin;
    }
    return done;
}

std::int64_t RangeMap::Prefix() const {
    return !finished.empty() && finished.front().begin == 0 ? finished.front().end : 0;
}

std::vector<RangeMap::Range> RangeMap::Missing() const {
    std::vector<Range> missing;
    std::int64_t at = 0;
    for (const Range& r : finished) {
        if (r.begin > at) {
            missing.push_back({at, r.begin});
        }
        at = r.end;
    }
    if (at < total) {
        missing.push_back({at, total});
    }
    return missing;
}

std::string RangeMap::Save() const {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << kHeader << ' ' << total << '\n';
    for (const Range& r : finished) {
        out << r.begin << ' ' << r.end << '\n';
    }
    return out.str();
}

std::optional<RangeMap> RangeMap::Restore(const std::string& text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    std::string header;
    if (!std::getline(in, header) || header.compare(0, sizeof kHeader - 1, kHeader) != 0) {
        return std::nullopt;
    }
    std::istringstream head(header.substr(sizeof kHeader - 1));
    head.imbue(std::locale::classic());
    std::int64_t total = -1;
    std::string rest;
    if (!(head >> total) || total < 0 || (head >> rest)) {
        return std::nullopt;
    }
    RangeMap map(total);
    std::int64_t at = -1;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        std::int64_t begin = 0;
        std::int64_t end = 0;
        if (!(fields >> begin >> end) || (fields >> rest) || begin <= at || begin >= end ||
            end > total) {
            return std::nullopt;
        }
        map.finished.push_back({begin, end});
        at = end;
    }
    return map;
}

bool RangeMap::Store(const fs::path& path) const {
    fs::path temporary = path;
    temporary += ".new";
    {
        std::ofstream out(temporary.c_str(), std::ios::binary | std::ios::trunc);
        out << Save();
        out.close();
        if (!out) {
            return false;
        }
    }
    boost::system::error_code failed;
    fs::rename(temporary, path, failed);
    return !failed;
}

std::optional<RangeMap> RangeMap::Load(const fs::path& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(kMaxRecordBytes), '\0');
    in.read(text.data(), kMaxRecordBytes);
    text.resize(static_cast<std::size_t>(in.gcount()));
    return Restore(text);
}
