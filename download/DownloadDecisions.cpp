#include "download/DownloadDecisions.h"

#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/trim.hpp>
#include <cstdio>

ResumeAction DecideResume(std::optional<std::int64_t> recorded, std::int64_t remote,
                          std::optional<std::int64_t> stored) {
    if (!recorded || *recorded != remote || !stored || *stored > remote || *stored == 0) {
        return ResumeAction::Restart;
    }
    return *stored == remote ? ResumeAction::Done : ResumeAction::Resume;
}

namespace {
// "bytes FIRST-LAST/TOTAL"; false for anything else. `total` is -1 for "*" or anything else
// after the slash.
bool ParseContentRange(const std::string& contentRange, std::int64_t& first, std::int64_t& last,
                       std::int64_t& total) {
    long long from = 0;
    long long to = 0;
    int used = 0;
    if (std::sscanf(contentRange.c_str(), " bytes %lld-%lld/%n", &from, &to, &used) != 2 ||
        used == 0 || to < from) {
        return false;
    }
    long long size = -1;
    int tail = 0;
    if (std::sscanf(contentRange.c_str() + used, "%lld%n", &size, &tail) != 1 ||
        contentRange.find_first_not_of(" \t", static_cast<std::size_t>(used + tail)) !=
            std::string::npos) {
        size = -1;
    }
    first = from;
    last = to;
    total = size;
    return true;
}

bool RangeStart(const std::string& contentRange, std::int64_t& first) {
    std::int64_t last = 0;
    std::int64_t total = 0;
    return ParseContentRange(contentRange, first, last, total);
}
}  // namespace

BodyAction DecideBody(long status, const std::string& contentRange, std::int64_t offset,
                      std::int64_t length, std::int64_t total) {
    if (status == 200) {
        if (length == total) {
            return offset == 0 ? BodyAction::Append : BodyAction::RestartFromZero;
        }
        // Of unknown length, a fresh image may still take it: the size check at the end and
        // the limit on received bytes judge it. Stored bytes are never risked on it.
        return offset == 0 && length < 0 ? BodyAction::Append : BodyAction::Refuse;
    }
    std::int64_t first = -1;
    if (status == 206 && RangeStart(contentRange, first) && first == offset) {
        return BodyAction::Append;
    }
    return BodyAction::Refuse;
}

bool RangeAnswered(long status, const std::string& contentRange, std::int64_t first,
                   std::int64_t last, std::int64_t total) {
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::int64_t size = 0;
    return status == 206 && ParseContentRange(contentRange, from, to, size) && from == first &&
           to == last && size == total;
}

void NoteContentRange(const std::string& line, std::string& contentRange) {
    if (boost::algorithm::starts_with(line, "HTTP/")) {
        contentRange.clear();
    } else if (boost::algorithm::istarts_with(line, "Content-Range:")) {
        contentRange = boost::algorithm::trim_copy(line.substr(14));
    }
}

std::string RangeValue(std::int64_t offset) {
    return std::to_string(offset) + "-";
}

double RateOver(double bytes, std::int64_t elapsedUs) {
    const std::int64_t ms = elapsedUs / 1000;
    return bytes / static_cast<double>(ms > 0 ? ms : 1);
}

bool SampleDue(std::int64_t sinceLastSampleUs) {
    return sinceLastSampleUs / 1000000 > kSampleSeconds;
}

bool CountSample(double rate, std::int32_t& zeroRateCount, std::int32_t limit) {
    zeroRateCount = rate < kZeroRate ? zeroRateCount + 1 : 0;
    return zeroRateCount >= limit;
}

bool AdvanceLink(int idleAttempts) {
    return idleAttempts > 0;
}
