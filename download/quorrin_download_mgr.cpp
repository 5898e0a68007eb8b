#include "download/quorrin_download_mgr.h"

#include <algorithm>
#include <boost/filesystem.hpp>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>

#include "base/AnsiText.h"
#include "Deployment.h"
#include "base/UserAgent.h"
#include "download/DownloadDecisions.h"
#include "download/DownloadSidecar.h"
#include "download/EngineTexts.h"
#include "download/ImageHasher.h"
#include "download/KeepAwake.h"
#include "download/LinkFailure.h"

namespace fs = boost::filesystem;
using Clock = quorrin_download_mgr::Clock;

namespace {
// The image stream's buffer: large writes, few system calls.
constexpr size_t kFileBuffer = 512 * 1024;
// How much a run killed at any moment hashes again at its next start, at most: the state is
// saved, with the image flushed, after every so many bytes.
constexpr std::int64_t kHashCheckpointBytes = 64 * 1048576;

std::int64_t MicrosecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::microseconds>(to - from).count();
}

// The image's path with `suffix` appended: the files that live beside it.
fs::path Beside(const fs::path& image, const char* suffix) {
    fs::path path = image;
    path += suffix;
    return path;
}

size_t Discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

// A failure of the worker that knows how the download ended.
class download_failure : public std::runtime_error {
public:
    download_failure(DownloadOutcome how, const std::string& text)
        : std::runtime_error(text), outcome(how) {}
    DownloadOutcome outcome;
};

// A link that only another link can replace: its certificate, its TLS version or the proxy.
class link_failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
}  // namespace

struct quorrin_download_mgr::write_context {
    quorrin_download_mgr* mgr;
    std::ofstream* file;
    // Null when no digest is expected.
    ImageHasher* hasher;
    // Image bytes at the hash state last saved.
    std::int64_t checkpointed = 0;
    int* idle_attempts;
    // Content-Range of the answer being received; cleared at every status line (redirects).
    std::string content_range;
    bool body_checked = false;
    // Owned by Run and declared before the stream, so that it outlives every use.
    char* buffer;

    void OpenImage(std::ios::openmode mode) {
        file->close();
        file->clear();
        file->rdbuf()->pubsetbuf(buffer, kFileBuffer);
        file->open(mgr->file_path.c_str(), std::ios::binary | mode);
    }
};

quorrin_download_mgr::quorrin_download_mgr(std::unique_ptr<quorrin_download_info_provider> links,
                                           const fs::path& target, const std::string& sha256,
                                           TransferSettings network)
    : file_path(target),
      sidecar_path(target),
      network(std::move(network)),
      provider(std::move(links)) {
    sidecar_path += ".cfg";
    if (!sha256.empty()) {
        expected_digest = ParseDigestHex(sha256);
        if (!expected_digest) {
            throw std::invalid_argument("sha256: " + sha256);
        }
    }
    try {
        UseLink(NextLink(false));
    } catch (const std::runtime_error& noLink) {
        // No manager comes to be: what its log would have said goes with the failure.
        if (log_text.empty()) {
            throw;
        }
        throw std::runtime_error(std::string(noLink.what()) + "\n" + log_text);
    }
    if (curl.get() == nullptr) {
        throw std::runtime_error("curl_easy_init");
    }
}

quorrin_download_mgr::~quorrin_download_mgr() {
    // A detached worker would go on writing into this object after it is freed.
    StopAndWait();
}

void quorrin_download_mgr::StopAndWait() {
    if (!worker.joinable()) {
        return;
    }
    if (!finished) {
        stop_requested = true;
        worker.interrupt();
    }
    worker.join();
}

void quorrin_download_mgr::Start() {
    // Set before the thread exists: the window must never see an unstarted download as ended.
    finished = false;
    try {
        worker = LaunchWorker();
    } catch (...) {
        finished = true;
        throw;
    }
}

void quorrin_download_mgr::Fail(DownloadOutcome how, std::string text) {
    outcome = how;
    error_text = std::move(text);
}

void quorrin_download_mgr::PrepareRequest(const std::string& link) {
    CURL* h = curl.get();
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_URL, link.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_error[0] = '\0';
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, curl_error);
    proxy_used = network.Apply(h, link);
}

std::string quorrin_download_mgr::LinkFailure(CURLcode result) const {
    return LinkFailureText(ReadRequestEnd(curl.get(), result, proxy_used, curl_error));
}

void quorrin_download_mgr::AppendLog(const std::string& lines) {
    if (lines.empty()) {
        return;
    }
    if (!log_text.empty()) {
        log_text += "\n";
    }
    log_text += lines;
}

std::string quorrin_download_mgr::NextLink(bool advance) {
    try {
        std::string link = provider->GetUrl(advance);
        AppendLog(provider->TakeNotes());
        return link;
    } catch (...) {
        AppendLog(provider->TakeNotes());
        throw;
    }
}

void quorrin_download_mgr::GiveUpLink(const std::string& text) {
    AppendLog(url + ": " + text);
    NextLinkAfter(text);
}

void quorrin_download_mgr::NextLinkAfter(const std::string& text) {
    try {
        UseLink(NextLink(true));
    } catch (const std::exception&) {
        throw download_failure(DownloadOutcome::Unreachable, text);
    }
}

void quorrin_download_mgr::UseLink(std::string link) {
    url = std::move(link);
    if (std::find(links_used.begin(), links_used.end(), url) == links_used.end()) {
        links_used.push_back(url);
    }
}

fs::path quorrin_download_mgr::SetAsidePath(const fs::path& image) {
    return Beside(image, ".corrupt");
}

fs::path quorrin_download_mgr::HashStatePath(const fs::path& image) {
    return Beside(image, ".sha256");
}

fs::path quorrin_download_mgr::WorkPath(const fs::path& image) {
    return Beside(image, ".part");
}

fs::path quorrin_download_mgr::RangesPath(const fs::path& image) {
    return Beside(image, ".part.map");
}

void quorrin_download_mgr::CatchUpHash(ImageHasher& hasher, std::int64_t stored) {
    if (hasher.CatchUp(file_path, stored, [this] { return stop_requested.load(); })) {
        return;
    }
    if (stop_requested) {
        throw download_failure(DownloadOutcome::Stopped, texts::UserStop());
    }
    throw download_failure(DownloadOutcome::LocalError, texts::LocalFileFailed());
}

void quorrin_download_mgr::CheckImage(write_context& context) {
    ImageHasher& hasher = *context.hasher;
    CatchUpHash(hasher, total_size);
    hasher.Checkpoint();
    std::uint64_t length = 0;
    const Sha256Stream::Digest actual = hasher.Finish(length);
    if (actual == *expected_digest) {
        outcome = DownloadOutcome::Done;
        return;
    }
    // The last damaged image only: an older one goes, so that the disk does not fill up. The
    // image must leave its place whatever happens, since the installer looks for it there.
    const fs::path aside = SetAsidePath(file_path);
    boost::system::error_code failed;
    fs::remove(aside, failed);
    fs::rename(file_path, aside, failed);
    if (failed) {
        fs::remove(file_path, failed);
    }
    fs::remove(sidecar_path, failed);
    hasher.Discard();
    Fail(DownloadOutcome::Damaged, texts::ImageDamaged());
    log_text = ToAnsi(L"镜像校验不符: 应为 ") + DigestHex(*expected_digest) + ToAnsi(L", 实为 ") +
               DigestHex(actual) + ToAnsi(L", 已移到 ") + aside.string() + ToAnsi(L", 所用链接:");
    for (const std::string& link : links_used) {
        log_text += " " + link;
    }
}

boost::thread quorrin_download_mgr::LaunchWorker() {
    return boost::thread(&quorrin_download_mgr::Run, this);
}

void quorrin_download_mgr::QueryProgress(double& downloaded_mb, double& total_mb,
                                         double& speed) const {
    downloaded_mb = static_cast<double>(downloaded) / 1048576;
    total_mb = static_cast<double>(total_size) / 1048576;
    speed = average_rate * 5.3;
}

std::int64_t quorrin_download_mgr::QueryRemoteSize() {
    PrepareRequest(url);
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_REFERER, deployment::kCloudHome);
    curl_easy_setopt(h, CURLOPT_HEADER, 1L);
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 7L);
    curl_easy_setopt(h, CURLOPT_AUTOREFERER, 1L);
    // A windowed process has no standard output: the header bytes are dropped here.
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Discard);
    // A stop must not wait for the probe's time limit on a server that answers nothing.
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProbeInfo);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
    const CURLcode result = curl_easy_perform(h);
    if (result != CURLE_OK && stop_requested) {
        throw download_failure(DownloadOutcome::Stopped, texts::UserStop());
    }
    const std::string failure = LinkFailure(result);
    if (!failure.empty()) {
        throw link_failure(failure);
    }
    if (result != CURLE_OK) {
        throw download_failure(DownloadOutcome::Unreachable, texts::ProbeFailed());
    }
    long status = 0;
    curl_off_t length = -1;
    char* effective = nullptr;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective);
    if (effective != nullptr) {
        UseLink(effective);
    }
    // An error page's length is not the image's size.
    if (status < 200 || status >= 300) {
        return -1;
    }
    return static_cast<std::int64_t>(length);
}

std::optional<std::int64_t> quorrin_download_mgr::RecordedSize() const {
    if (!fs::exists(sidecar_path)) {
        return std::nullopt;
    }
    // A record that cannot be read vouches for nothing. It is only ever rewritten right after
    // the image was emptied, so a torn one belongs to an image that was being discarded anyway:
    // restart instead of failing on every later run.
    try {
        return ReadSidecar(sidecar_path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::int64_t> quorrin_download_mgr::StoredSize() const {
    if (!fs::exists(file_path)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(fs::file_size(file_path));
}

bool quorrin_download_mgr::PrepareImage(write_context& context) {
    const std::optional<std::int64_t> stored = StoredSize();
    switch (DecideResume(RecordedSize(), total_size, stored)) {
        case ResumeAction::Done:
            downloaded = total_size.load();
            return false;
        case ResumeAction::Resume:
            downloaded = *stored;
            if (context.hasher != nullptr) {
                CatchUpHash(*context.hasher, *stored);
            }
            context.checkpointed = downloaded;
            context.OpenImage(std::ios::app);
            break;
        case ResumeAction::Restart:
            downloaded = 0;
            if (file_path.has_parent_path()) {
                fs::create_directories(file_path.parent_path());
            }
            if (context.hasher != nullptr) {
                context.hasher->Restart();
            }
            context.checkpointed = 0;
            // The old bytes go before the new record is written: a record never vouches for
            // bytes of another size's image, even after a crash between the two.
            context.OpenImage(std::ios::trunc);
            if (!*context.file) {
                throw download_failure(DownloadOutcome::LocalError, texts::LocalFileFailed());
            }
            WriteSidecar(sidecar_path, total_size);
            break;
    }
    if (!*context.file) {
        throw download_failure(DownloadOutcome::LocalError, texts::LocalFileFailed());
    }
    return true;
}

std::optional<RangeMap> quorrin_download_mgr::PrepareWork(write_context& context) {
    const fs::path work = WorkPath(file_path);
    const fs::path ranges = RangesPath(file_path);
    std::optional<RangeMap> map;
    if (fs::exists(work)) {
        map = RangeMap::Load(ranges);
    }
    if (map && map->Total() == total_size) {
        if (RecordedSize() != total_size) {
            WriteSidecar(sidecar_path, total_size);
        }
        downloaded = map->Done();
        return map;
    }
    // A work file without its record, or of another image's size, vouches for nothing; a record
    // without its work file is left from a work file that became the image.
    boost::system::error_code failed;
    fs::remove(work, failed);
    fs::remove(ranges, failed);
    if (ranges_refused || segments.connections < 2 || total_size < segmented_min_size ||
        (!spread && alone_within_seconds > 0)) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> stored = StoredSize();
    map.emplace(total_size);
    switch (DecideResume(RecordedSize(), total_size, stored)) {
        case ResumeAction::Done:
            return std::nullopt;
        case ResumeAction::Resume:
            // A partial image, of this program or an older one, is the work file's first run:
            // its record is written before the image leaves its name, so that a crash between
            // the two leaves the image as it was.
            map->Add(0, *stored);
            if (!map->Store(ranges)) {
                throw download_failure(DownloadOutcome::LocalError, texts::LocalFileFailed());
            }
            fs::rename(file_path, work);
            downloaded = *stored;
            return map;
        case ResumeAction::Restart:
            if (file_path.has_parent_path()) {
                fs::create_directories(file_path.parent_path());
            }
            if (context.hasher != nullptr) {
                context.hasher->Restart();
            }
            // The old bytes go before the new record is written, as for one connection.
            fs::remove(file_path);
            WriteSidecar(sidecar_path, total_size);
            if (!map->Store(ranges)) {
                throw download_failure(DownloadOutcome::LocalError, texts::LocalFileFailed());
            }
            downloaded = 0;
            return map;
    }
    return std::nullopt;
}

void quorrin_download_mgr::TakeBackImage(const RangeMap& map) {
    // Only the first run of bytes can go on over one connection: what lies beyond it is cut,
    // before the record goes, so that the image's name never holds bytes with holes.
    const fs::path work = WorkPath(file_path);
    fs::resize_file(work, static_cast<std::uintmax_t>(map.Prefix()));
    fs::rename(work, file_path);
    fs::remove(RangesPath(file_path));
}

bool quorrin_download_mgr::FetchPieces(write_context& context, RangeMap& map) {
    std::vector<std::string> links{url};
    for (const std::string& mirror : provider->Mirrors()) {
        if (std::find(links.begin(), links.end(), mirror) == links.end()) {
            links.push_back(mirror);
        }
    }
    attempt_bytes = 0;
    zero_rate_count = 0;
    attempt_start = last_sample = Clock::now();
    interval_bytes = 0;
    auto progress = [this](std::int64_t stored, std::int64_t received) {
        downloaded = stored;
        attempt_bytes += static_cast<double>(received);
        interval_bytes += static_cast<double>(received);
        const Clock::time_point now = Clock::now();
        average_rate = RateOver(attempt_bytes, MicrosecondsBetween(attempt_start, now));
        // For the display only: each link's stall is judged on its own.
        Sample(now);
    };
    SegmentedDownload pieces(links, network, WorkPath(file_path), RangesPath(file_path), map,
                             context.hasher, segments, progress, stop_requested);
    const SegmentedDownload::End end = pieces.Run();
    AppendLog(pieces.Notes());
    *context.idle_attempts = pieces.Received() ? 0 : *context.idle_attempts + 1;
    switch (end) {
        case SegmentedDownload::End::Whole:
            break;
        case SegmentedDownload::End::Stopped:
            throw download_failure(DownloadOutcome::Stopped, texts::UserStop());
        case SegmentedDownload::End::LocalError:
            throw download_failure(DownloadOutcome::LocalError, texts::LocalFileFailed());
        case SegmentedDownload::End::RangesRefused:
            ranges_refused = true;
            // The hash stops reading the work file before it is renamed; one connection
            // catches up the rest itself.
            if (context.hasher != nullptr) {
                context.hasher->CatchUp(WorkPath(file_path), map.Prefix(),
                                        [this] { return stop_requested.load(); });
            }
            TakeBackImage(map);
            return true;
        case SegmentedDownload::End::LinksFailed:
            if (!pieces.LinkRefused()) {
                throw download_failure(DownloadOutcome::Unreachable, pieces.FailureText());
            }
            NextLinkAfter(pieces.FailureText());
            *context.idle_attempts = -1;
            return true;
        case SegmentedDownload::End::Stalled:
            try {
                UseLink(NextLink(AdvanceLink(*context.idle_attempts)));
            } catch (const std::exception& noLink) {
                throw download_failure(DownloadOutcome::Stalled, noLink.what());
            }
            return true;
    }
    const fs::path work = WorkPath(file_path);
    if (context.hasher != nullptr &&
        !context.hasher->CatchUp(work, total_size, [this] { return stop_requested.load(); })) {
        throw download_failure(
            stop_requested ? DownloadOutcome::Stopped : DownloadOutcome::LocalError,
            stop_requested ? texts::UserStop() : texts::LocalFileFailed());
    }
    fs::rename(work, file_path);
    boost::system::error_code failed;
    fs::remove(RangesPath(file_path), failed);
    downloaded = total_size.load();
    if (context.hasher != nullptr) {
        CheckImage(context);
    } else {
        outcome = DownloadOutcome::Done;
    }
    return false;
}

void quorrin_download_mgr::Run() {
    {
        // Idle sleep would cut the download short. Released before the window can see the end.
        const KeepAwake awake;
        Download();
    }
    finished = true;
}

void quorrin_download_mgr::Download() {
    int idle_attempts = -1;
    const std::unique_ptr<char[]> buffer(new char[kFileBuffer]);
    std::ofstream file;
    std::unique_ptr<ImageHasher> hasher;
    write_context context{this,           &file,         nullptr, 0,
                          &idle_attempts, std::string(), false,   buffer.get()};
    try {
        if (expected_digest) {
            hasher = std::make_unique<ImageHasher>(HashStatePath(file_path));
            context.hasher = hasher.get();
        }
        CURLcode result = CURLE_OK;
        // Going over to pieces keeps the link and the size just probed.
        bool probe = true;
        for (;;) {
            outcome = DownloadOutcome::Pending;
            error_text.clear();
            boost::this_thread::interruption_point();
            try {
                if (probe) {
                    total_size = QueryRemoteSize();
                }
                probe = true;
            } catch (const link_failure& failure) {
                GiveUpLink(failure.what());
                idle_attempts = -1;
                continue;
            }
            if (total_size < kMinRemoteSize) {
                throw download_failure(DownloadOutcome::Refused, texts::NoFileSize());
            }
            if (std::optional<RangeMap> map = PrepareWork(context)) {
                if (FetchPieces(context, *map)) {
                    continue;
                }
                return;
            }
            if (!PrepareImage(context)) {
                if (hasher) {
                    CheckImage(context);
                } else {
                    outcome = DownloadOutcome::Done;
                }
                return;
            }
            attempt_bytes = 0;
            // Each attempt is judged on its own: a link has stalled only when one attempt sees
            // nothing for the whole limit.
            zero_rate_count = 0;
            attempt_start = last_sample = Clock::now();
            context.content_range.clear();
            context.body_checked = false;

            PrepareRequest(url);
            CURL* h = curl.get();
            curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(h, CURLOPT_TIMEOUT, 0L);
            curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
            curl_easy_setopt(h, CURLOPT_HEADER, 0L);
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnWrite);
            curl_easy_setopt(h, CURLOPT_WRITEDATA, &context);
            curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
            curl_easy_setopt(h, CURLOPT_MAXREDIRS, 7L);
            const std::string range = RangeValue(downloaded);
            if (downloaded != 0) {
                curl_easy_setopt(h, CURLOPT_RANGE, range.c_str());
            }
            curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
            curl_easy_setopt(h, CURLOPT_HEADERDATA, &context);
            // Called about once a second even while nothing arrives: stop requests and stalls
            // are seen without waiting for data.
            curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
            curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnTransferInfo);
            curl_easy_setopt(h, CURLOPT_XFERINFODATA, &context);
            curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBuffer);

            boost::this_thread::interruption_point();
            result = curl_easy_perform(h);
            if (spread && outcome == DownloadOutcome::Pending && result == CURLE_WRITE_ERROR) {
                // Cut short to go over to pieces: the image as it stands is their first run.
                file.close();
                if (hasher) {
                    hasher->Checkpoint();
                }
                idle_attempts = -1;
                probe = false;
                continue;
            }
            idle_attempts += 1;
            const std::string failure = result != CURLE_OK && outcome == DownloadOutcome::Pending
                                            ? LinkFailure(result)
                                            : std::string();
            if (outcome != DownloadOutcome::Stalled && failure.empty()) {
                break;
            }
            // Everything received so far goes to disk before the next size check.
            file.close();
            if (hasher) {
                hasher->Checkpoint();
            }
            if (!failure.empty()) {
                GiveUpLink(failure);
                idle_attempts = -1;
                continue;
            }
            try {
                UseLink(NextLink(AdvanceLink(idle_attempts)));
            } catch (const std::exception& noLink) {
                // The link stalled and no other one can be had: the provider's text says why.
                throw download_failure(DownloadOutcome::Stalled, noLink.what());
            }
        }

        file.close();
        if (result == CURLE_OK) {
            if (file.fail()) {
                Fail(DownloadOutcome::LocalError, texts::LocalFileFailed());
            } else {
                const auto stored = static_cast<std::int64_t>(fs::file_size(file_path));
                if (stored != total_size) {
                    Fail(DownloadOutcome::Refused, texts::SizeMismatch(stored, total_size));
                } else if (hasher) {
                    CheckImage(context);
                } else {
                    outcome = DownloadOutcome::Done;
                }
            }
        } else if (outcome == DownloadOutcome::Pending) {
            Fail(DownloadOutcome::Unreachable, texts::TransferFailed(curl_easy_strerror(result)));
        }
    } catch (const download_failure& failure) {
        file.close();
        Fail(failure.outcome, failure.what());
    } catch (const std::exception& failure) {
        // What is left are the file system's and the resume record's own errors.
        file.close();
        Fail(DownloadOutcome::LocalError, failure.what());
    } catch (const boost::thread_interrupted&) {
        // A stop seen between requests ends like one seen during a transfer.
        file.close();
        Fail(DownloadOutcome::Stopped, texts::UserStop());
    }
    // Whatever the image holds is on disk now: its hash is kept for the next run.
    if (hasher && outcome != DownloadOutcome::Damaged) {
        hasher->Checkpoint();
    }
}

bool quorrin_download_mgr::SpreadDue(Clock::time_point now) const {
    // Long enough for a fast connection to show its pace, little lost on a slow one; a pace
    // judged too low this early only opens connections that were not needed.
    constexpr std::int64_t kJudgeAfterUs = 50000;
    const std::int64_t elapsed = MicrosecondsBetween(attempt_start, now);
    if (ranges_refused || segments.connections < 2 || total_size < segmented_min_size ||
        alone_within_seconds <= 0 || elapsed < kJudgeAfterUs) {
        return false;
    }
    const double left = static_cast<double>(total_size - downloaded);
    return left >
           RateOver(attempt_bytes, elapsed) * 1000.0 * static_cast<double>(alone_within_seconds);
}

bool quorrin_download_mgr::Sample(Clock::time_point now) {
    const std::int64_t since = MicrosecondsBetween(last_sample, now);
    if (!SampleDue(since)) {
        return false;
    }
    current_rate = RateOver(interval_bytes, since);
    last_sample = now;
    interval_bytes = 0;
    return CountSample(current_rate, zero_rate_count, zero_rate_limit);
}

size_t quorrin_download_mgr::OnWrite(char* data, size_t size, size_t count, void* userdata) {
    auto& context = *static_cast<write_context*>(userdata);
    quorrin_download_mgr& mgr = *context.mgr;
    const size_t n = size * count;
    if (n > 0) {
        *context.idle_attempts = -1;
    }
    mgr.attempt_bytes += static_cast<double>(n);
    if (mgr.stop_requested) {
        mgr.Fail(DownloadOutcome::Stopped, texts::UserStop());
        return 0;
    }
    if (!context.body_checked) {
        context.body_checked = true;
        long status = 0;
        curl_easy_getinfo(mgr.curl.get(), CURLINFO_RESPONSE_CODE, &status);
        curl_off_t length = -1;
        curl_easy_getinfo(mgr.curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        switch (DecideBody(status, context.content_range, mgr.downloaded, length, mgr.total_size)) {
            case BodyAction::Append:
                break;
            case BodyAction::RestartFromZero:
                // The whole file came instead of the rest: start the image again rather than
                // append a second copy.
                mgr.downloaded = 0;
                if (context.hasher != nullptr) {
                    context.hasher->Restart();
                }
                context.checkpointed = 0;
                context.OpenImage(std::ios::trunc);
                break;
            case BodyAction::Refuse:
                mgr.Fail(DownloadOutcome::Refused,
                         status == 200 ? texts::NotTheRest() : texts::BadStatus(status));
                return 0;
        }
    }
    mgr.interval_bytes += static_cast<double>(n);
    if (!context.file->is_open() || !*context.file) {
        mgr.Fail(DownloadOutcome::LocalError, texts::LocalFileFailed());
        return 0;
    }
    if (mgr.downloaded + static_cast<std::int64_t>(n) > mgr.total_size) {
        mgr.Fail(DownloadOutcome::Refused, texts::TooMuchData());
        return 0;
    }
    context.file->write(data, static_cast<std::streamsize>(n));
    if (!*context.file) {
        mgr.Fail(DownloadOutcome::LocalError, texts::LocalFileFailed());
        return 0;
    }
    mgr.downloaded += static_cast<std::int64_t>(n);
    if (context.hasher != nullptr) {
        context.hasher->Feed(data, n);
        if (mgr.downloaded - context.checkpointed >= kHashCheckpointBytes) {
            context.file->flush();
            context.hasher->Checkpoint();
            context.checkpointed = mgr.downloaded;
        }
    }
    const Clock::time_point now = Clock::now();
    mgr.average_rate = RateOver(mgr.attempt_bytes, MicrosecondsBetween(mgr.attempt_start, now));
    if (mgr.Sample(now)) {
        mgr.Fail(DownloadOutcome::Stalled, texts::ZeroRate());
        return 0;
    }
    if (mgr.SpreadDue(now)) {
        context.file->flush();
        mgr.spread = true;
        return 0;
    }
    return n;
}

size_t quorrin_download_mgr::OnHeader(char* data, size_t size, size_t count, void* userdata) {
    auto& context = *static_cast<write_context*>(userdata);
    NoteContentRange(std::string(data, size * count), context.content_range);
    return size * count;
}

int quorrin_download_mgr::OnProbeInfo(void* mgr, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<quorrin_download_mgr*>(mgr)->stop_requested ? 1 : 0;
}

int quorrin_download_mgr::OnTransferInfo(void* userdata, curl_off_t, curl_off_t, curl_off_t,
                                         curl_off_t) {
    auto& context = *static_cast<write_context*>(userdata);
    quorrin_download_mgr& mgr = *context.mgr;
    if (mgr.stop_requested) {
        mgr.Fail(DownloadOutcome::Stopped, texts::UserStop());
        return 1;
    }
    // A connection that delivers nothing is sampled here, as a zero rate.
    if (mgr.Sample(Clock::now())) {
        mgr.Fail(DownloadOutcome::Stalled, texts::ZeroRate());
        return 1;
    }
    return 0;
}
