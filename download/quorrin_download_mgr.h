// Downloads one image over HTTP on a worker thread of its own, resuming a partial image, watching
// the rate and changing link once a link has stalled. A large image from a server that answers
// ranges comes over several connections into a work file beside the image, which takes the
// image's name once it is whole: under that name there are only ever contiguous bytes.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <boost/filesystem/path.hpp>
#include <boost/thread.hpp>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "download/CurlEasy.h"
#include "download/DownloadDecisions.h"
#include "download/DownloadOutcome.h"
#include "download/RangeMap.h"
#include "download/SegmentedDownload.h"
#include "download/Sha256Stream.h"
#include "download/TransferSettings.h"
#include "download/quorrin_download_info_provider.h"

class ImageHasher;

class quorrin_download_mgr {
public:
    // Intervals are measured on a clock that no time sync or clock change can move back.
    using Clock = std::chrono::steady_clock;

    // Takes the first link from `links` at once (may fetch a share page and may throw); the image
    // is stored at `target`, its resume record beside it. With `sha256` (64 hex digits) the
    // image is done only once its SHA-256 is that; empty checks nothing. Throws
    // std::invalid_argument for any other value. Every request is made with `network`.
    quorrin_download_mgr(std::unique_ptr<quorrin_download_info_provider> links,
                         const boost::filesystem::path& target, const std::string& sha256 = {},
                         TransferSettings network = TransferSettings::FromSystem());
    virtual ~quorrin_download_mgr();
    quorrin_download_mgr(const quorrin_download_mgr&) = delete;
    quorrin_download_mgr& operator=(const quorrin_download_mgr&) = delete;

    // Starts the worker; when no thread can be made, throws and stays finished.
    void Start();
    // Asks the worker to stop and waits for it to end; does nothing once it has been waited for.
    // Both the window's quit and the destructor use it, so no worker outlives its manager.
    void StopAndWait();
    // Megabytes stored, megabytes in all, and the speed figure shown as kilobytes per second.
    void QueryProgress(double& downloaded_mb, double& total_mb, double& speed) const;
    // True before Start and once the worker has ended.
    bool IsFinished() const { return finished; }
    // Read only once IsFinished: the worker writes both before it sets `finished`.
    DownloadOutcome Outcome() const { return outcome; }
    // Empty exactly when the outcome is Done.
    const std::string& ErrorText() const { return error_text; }
    // What the log needs beyond the error text, empty when nothing, whatever the outcome: a
    // line for each link given up for its certificate, its TLS version or the proxy; for a
    // damaged image both digests and every link used.
    const std::string& LogText() const { return log_text; }

    // Beside the image: where a damaged image is set aside, and the hash state of a partial one.
    static boost::filesystem::path SetAsidePath(const boost::filesystem::path& image);
    static boost::filesystem::path HashStatePath(const boost::filesystem::path& image);
    // The image fetched in pieces, and the record of its finished ranges.
    static boost::filesystem::path WorkPath(const boost::filesystem::path& image);
    static boost::filesystem::path RangesPath(const boost::filesystem::path& image);

protected:
    // The window reads the counters and rates below while the worker writes them; they feed
    // the display only, so each is atomic on its own and no lock ties them together.
    double interval_bytes = 0;
    std::atomic<double> current_rate{0};
    double attempt_bytes = 0;
    std::atomic<double> average_rate{0};
    Clock::time_point attempt_start;
    // Consecutive zero-rate samples of the current attempt; the attempt gives up at the limit.
    std::int32_t zero_rate_count = 0;
    std::int32_t zero_rate_limit = kZeroRateLimit;
    // Set by the window; seen within about a second even while no data arrives.
    std::atomic<bool> stop_requested{false};
    std::atomic<std::int64_t> downloaded{0};
    std::atomic<std::int64_t> total_size{0};
    DownloadOutcome outcome = DownloadOutcome::Pending;
    std::string error_text;
    std::string log_text;
    std::string url;
    // Every link this download has taken, in order, once each.
    std::vector<std::string> links_used;
    std::optional<Sha256Stream::Digest> expected_digest;
    boost::filesystem::path file_path;
    boost::filesystem::path sidecar_path;
    std::atomic<bool> finished{true};
    TransferSettings network;
    // The proxy of the request under way, empty when direct; libcurl's words on its failure.
    std::string proxy_used;
    char curl_error[CURL_ERROR_SIZE] = {};
    CurlEasy curl;
    boost::thread worker;
    std::unique_ptr<quorrin_download_info_provider> provider;
    Clock::time_point last_sample;
    // How a download in pieces runs, and the least image size for which it does.
    SegmentedDownload::Options segments;
    std::int64_t segmented_min_size = kSegmentedMinSize;
    // A download starts on one connection, into the image itself, and goes over to pieces once
    // that one alone would take longer than this many seconds for the rest: where a single
    // connection is not held back, more only cost the server and the CPU. 0 starts in pieces.
    std::int64_t alone_within_seconds = 15;
    // The one connection has been found too slow for the rest: pieces from here on.
    bool spread = false;
    // The current link answered a range wrongly during this run: one connection from here on.
    bool ranges_refused = false;

private:
    struct write_context;

    void Run();
    // Everything the worker does between its start and its end.
    void Download();
    // One request's options on the reused handle: the link, the user agent, TLS and proxy.
    void PrepareRequest(const std::string& link);
    // How the request just made ended, as far as the choice of another link is concerned.
    std::string LinkFailure(CURLcode result) const;
    // Gives the current link up for `text` and takes the next one; throws Unreachable with
    // `text` when none is left.
    void GiveUpLink(const std::string& text);
    // The next link after the current one failed for `text`, which the log already has.
    void NextLinkAfter(const std::string& text);
    // Records how the download ended and the text that tells the user.
    void Fail(DownloadOutcome how, std::string text);
    // Takes `link` as the current one and notes it among those used.
    void UseLink(std::string link);
    // The provider's link (the next one with `advance`); what it gave up on the way goes to the
    // log, also when it has none left and throws.
    std::string NextLink(bool advance);
    void AppendLog(const std::string& lines);
    // Brings the hash up to the first `stored` bytes of the image; throws Stopped on a stop and
    // LocalError when the image cannot be read.
    void CatchUpHash(ImageHasher& hasher, std::int64_t stored);
    // The whole image against the expected digest: Done, or Damaged with the image set aside.
    void CheckImage(write_context& context);
    std::int64_t QueryRemoteSize();
    // The resume record's size, none when there is none or it cannot be read; the image's size,
    // none when it does not exist.
    std::optional<std::int64_t> RecordedSize() const;
    std::optional<std::int64_t> StoredSize() const;
    // One attempt's resume decision; false when the image is already complete.
    bool PrepareImage(write_context& context);
    // True when the transfer under way on one connection should go over to pieces at `now`.
    bool SpreadDue(Clock::time_point now) const;
    // Takes a rate sample when one is due; true when the attempt must give up.
    bool Sample(Clock::time_point now);
    // The work file's record when this attempt fetches in pieces, none for one connection: a
    // work file of this size resumes, a partial image is adopted, or a fresh one begins.
    std::optional<RangeMap> PrepareWork(write_context& context);
    // One attempt in pieces; false when the download has ended (outcome set), true when the next
    // attempt is due.
    bool FetchPieces(write_context& context, RangeMap& map);
    // Ranges refused: the work file's first run of bytes becomes the partial image again.
    void TakeBackImage(const RangeMap& map);
    // The worker's thread; a seam for the tests of a thread that cannot be made.
    virtual boost::thread LaunchWorker();
    static size_t OnWrite(char* data, size_t size, size_t count, void* context);
    static size_t OnHeader(char* data, size_t size, size_t count, void* context);
    static int OnProbeInfo(void* mgr, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static int OnTransferInfo(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
};
