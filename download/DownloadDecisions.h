// The download manager's decisions as pure functions of sizes, answers and clock values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Smallest remote size accepted: anything below is no image (bytes).
constexpr std::int64_t kMinRemoteSize = 1048576;
// Images from this size on come over several connections where the server answers ranges; a
// smaller one is over in seconds anyway.
constexpr std::int64_t kSegmentedMinSize = 64 * 1048576;
// Rate samples below this many bytes per millisecond count as zero.
constexpr double kZeroRate = 1e-10;
// Consecutive zero-rate samples after which an attempt gives up: its link has stalled.
constexpr std::int32_t kZeroRateLimit = 20;
// A rate sample is taken once more than this many whole seconds have passed.
constexpr std::int64_t kSampleSeconds = 1;

enum class ResumeAction { Done, Resume, Restart };

// `recorded`: the sidecar's full size, none when there is no usable sidecar; `stored`: the image
// file's size, none when it does not exist. Resume only while the record matches the remote size.
ResumeAction DecideResume(std::optional<std::int64_t> recorded, std::int64_t remote,
                          std::optional<std::int64_t> stored);

enum class BodyAction { Append, RestartFromZero, Refuse };

// What to do with the body of an answer to a request for the bytes from `offset` on of an image
// of `total` bytes. `contentRange`: the answer's Content-Range value, empty when absent;
// `length`: the answer's announced length, -1 when unknown. A whole answer (200) replaces stored
// bytes only when it is the whole image: a page sent instead of the rest is refused.
BodyAction DecideBody(long status, const std::string& contentRange, std::int64_t offset,
                      std::int64_t length, std::int64_t total);

// True when an answer to a request for bytes `first` to `last` (both included) of an image of
// `total` bytes brings exactly those: 206 with a Content-Range naming them and that total.
bool RangeAnswered(long status, const std::string& contentRange, std::int64_t first,
                   std::int64_t last, std::int64_t total);

// Follows the header lines of an answer, one `line` at a time, keeping in `contentRange` the
// Content-Range value of the answer that carries the body: every status line (a redirect's too)
// clears it.
void NoteContentRange(const std::string& line, std::string& contentRange);

// The open range from `offset`: plain decimal digits whatever the locale, then "-".
std::string RangeValue(std::int64_t offset);

// Bytes per millisecond over `elapsedUs` microseconds, counted in whole milliseconds; a block
// arriving within the first millisecond is counted over one millisecond.
double RateOver(double bytes, std::int64_t elapsedUs);

// True once enough time has passed since the last sample to take the next one.
bool SampleDue(std::int64_t sinceLastSampleUs);

// Counts a sample of `rate` into `zeroRateCount`, the run of zero-rate samples, which any data
// ends; true when the run has reached `limit` and the attempt must give up.
bool CountSample(double rate, std::int32_t& zeroRateCount, std::int32_t limit);

// After a zero-rate give-up: the next link only when the attempt that ended received nothing and
// was not the first one (`idleAttempts` counts attempts without data, -1 after one with data).
bool AdvanceLink(int idleAttempts);
