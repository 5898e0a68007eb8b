#include "download/DownloadDecisions.h"

#include <cstdio>

ResumeAction DecideResume(std::optional<std::int64_t> recorded, std::int64_t remote,
                          std::optional<std::int64_t> stored) {
    if (!recorded || *recorded != remote || !stored || *stored > remote || *stored == 0) {
        return ResumeAction::Restart;
    }
    return *stored == remote ? ResumeAction::Done : ResumeAction::Resume;
}

namespace {
// "bytes FIRST-LAST/TOTAL"; false for anything else.
bool RangeStart(const std::string& contentRange, std::int64_t& first) {
    long long value = 0;
    long long last = 0;
    int used = 0;
    if (std::sscanf(contentRange.c_str(), " bytes %lld-%lld/%n", &value, &last, &used) != 2 ||
        used == 0 || last < value) {
        return false;
    }
    first = value;
    return true;
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
