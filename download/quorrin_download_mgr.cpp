#include "download/quorrin_download_mgr.h"

#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/trim.hpp>
#include <boost/filesystem.hpp>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>

#include "Deployment.h"
#include "download/DownloadDecisions.h"
#include "download/DownloadSidecar.h"
#include "download/EngineTexts.h"
#include "download/UrlMgr.h"

namespace fs = boost::filesystem;
using Clock = quorrin_download_mgr::Clock;

namespace {
constexpr char kUserAgent[] = "Opera/9.27 (Windows NT 5.2; U; zh-cn) ";
// Under Wine every socket read is expensive: the largest receive buffer libcurl takes.
constexpr long kReceiveBuffer = 512 * 1024;
// The image stream's buffer: large writes, few system calls.
constexpr size_t kFileBuffer = 512 * 1024;

std::int64_t MicrosecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::microseconds>(to - from).count();
}

size_t Discard(char*, size_t size, size_t count, void*) {
    return size * count;
}
}  // namespace

struct quorrin_download_mgr::write_context {
    quorrin_download_mgr* mgr;
    std::ofstream* file;
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
        file->open(mgr->file_path, std::ios::binary | mode);
    }
};

quorrin_download_mgr::quorrin_download_mgr() : provider(&g_urlMgr) {
    url = provider->GetUrl(false);
    file_path = provider->GetSaveDir() + provider->GetSaveName();
    sidecar_path = file_path + ".cfg";
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
    CURL* h = curl.get();
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
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
    if (curl_easy_perform(h) != CURLE_OK) {
        throw std::runtime_error(stop_requested ? texts::UserStop() : texts::ProbeFailed());
    }
    long status = 0;
    curl_off_t length = -1;
    char* effective = nullptr;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective);
    if (effective != nullptr) {
        url = effective;
    }
    // An error page's length is not the image's size.
    if (status < 200 || status >= 300) {
        return -1;
    }
    return static_cast<std::int64_t>(length);
}

bool quorrin_download_mgr::PrepareImage(write_context& context) {
    std::optional<std::int64_t> recorded;
    if (fs::exists(sidecar_path)) {
        // A record that cannot be read vouches for nothing. It is only ever rewritten right
        // after the image was emptied, so a torn one belongs to an image that was being
        // discarded anyway: restart instead of failing on every later run.
        try {
            recorded = ReadSidecar(sidecar_path);
        } catch (const std::exception&) {
        }
    }
    std::optional<std::int64_t> stored;
    if (fs::exists(file_path)) {
        stored = static_cast<std::int64_t>(fs::file_size(file_path));
    }
    switch (DecideResume(recorded, total_size, stored)) {
        case ResumeAction::Done:
            downloaded = total_size.load();
            return false;
        case ResumeAction::Resume:
            downloaded = *stored;
            context.OpenImage(std::ios::app);
            break;
        case ResumeAction::Restart:
            downloaded = 0;
            if (!provider->GetSaveDir().empty()) {
                fs::create_directories(provider->GetSaveDir());
            }
            // The old bytes go before the new record is written: a record never vouches for
            // bytes of another size's image, even after a crash between the two.
            context.OpenImage(std::ios::trunc);
            if (!*context.file) {
                throw std::runtime_error(texts::LocalFileFailed());
            }
            WriteSidecar(sidecar_path, total_size);
            break;
    }
    if (!*context.file) {
        throw std::runtime_error(texts::LocalFileFailed());
    }
    return true;
}

void quorrin_download_mgr::Run() {
    finished = false;
    int idle_attempts = -1;
    const std::unique_ptr<char[]> buffer(new char[kFileBuffer]);
    std::ofstream file;
    write_context context{this, &file, &idle_attempts, std::string(), false, buffer.get()};
    try {
        CURLcode result = CURLE_OK;
        do {
            error_text.clear();
            boost::this_thread::interruption_point();
            total_size = QueryRemoteSize();
            if (total_size < kMinRemoteSize) {
                throw std::runtime_error(texts::NoFileSize());
            }
            if (!PrepareImage(context)) {
                finished = true;
                return;
            }
            attempt_bytes = 0;
            // Each attempt is judged on its own: a link has stalled only when one attempt sees
            // nothing for the whole limit.
            zero_rate_count = 0;
            attempt_start = last_sample = Clock::now();
            context.content_range.clear();
            context.body_checked = false;

            CURL* h = curl.get();
            curl_easy_reset(h);
            curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(h, CURLOPT_TIMEOUT, 0L);
            curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
            curl_easy_setopt(h, CURLOPT_HEADER, 0L);
            curl_easy_setopt(h, CURLOPT_URL, url.c_str());
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnWrite);
            curl_easy_setopt(h, CURLOPT_WRITEDATA, &context);
            curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
            curl_easy_setopt(h, CURLOPT_MAXREDIRS, 7L);
            curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
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
            idle_attempts += 1;
            if (error_text == texts::ZeroRate()) {
                // Everything received so far goes to disk before the next size check.
                file.close();
                url = provider->GetUrl(AdvanceLink(idle_attempts));
            }
        } while (result != CURLE_OK && error_text == texts::ZeroRate());

        file.close();
        if (result == CURLE_OK) {
            if (file.fail()) {
                error_text = texts::LocalFileFailed();
            } else {
                const auto stored = static_cast<std::int64_t>(fs::file_size(file_path));
                if (stored != total_size) {
                    error_text = texts::SizeMismatch(stored, total_size);
                }
            }
        } else if (error_text.empty()) {
            error_text = texts::TransferFailed(curl_easy_strerror(result));
        }
    } catch (const std::exception& failure) {
        file.close();
        error_text = failure.what();
    } catch (const boost::thread_interrupted&) {
        // A stop seen between requests ends like one seen during a transfer.
        file.close();
        error_text = texts::UserStop();
    }
    finished = true;
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
        mgr.error_text = texts::UserStop();
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
                context.OpenImage(std::ios::trunc);
                break;
            case BodyAction::Refuse:
                mgr.error_text = status == 200 ? texts::NotTheRest() : texts::BadStatus(status);
                return 0;
        }
    }
    mgr.interval_bytes += static_cast<double>(n);
    if (!context.file->is_open() || !*context.file) {
        mgr.error_text = texts::LocalFileFailed();
        return 0;
    }
    if (mgr.downloaded + static_cast<std::int64_t>(n) > mgr.total_size) {
        mgr.error_text = texts::TooMuchData();
        return 0;
    }
    context.file->write(data, static_cast<std::streamsize>(n));
    if (!*context.file) {
        mgr.error_text = texts::LocalFileFailed();
        return 0;
    }
    mgr.downloaded += static_cast<std::int64_t>(n);
    const Clock::time_point now = Clock::now();
    mgr.average_rate = RateOver(mgr.attempt_bytes, MicrosecondsBetween(mgr.attempt_start, now));
    if (mgr.Sample(now)) {
        mgr.error_text = texts::ZeroRate();
        return 0;
    }
    return n;
}

size_t quorrin_download_mgr::OnHeader(char* data, size_t size, size_t count, void* userdata) {
    auto& context = *static_cast<write_context*>(userdata);
    const std::string line(data, size * count);
    if (boost::algorithm::starts_with(line, "HTTP/")) {
        context.content_range.clear();
    } else if (boost::algorithm::istarts_with(line, "Content-Range:")) {
        context.content_range = boost::algorithm::trim_copy(line.substr(14));
    }
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
        mgr.error_text = texts::UserStop();
        return 1;
    }
    // A connection that delivers nothing is sampled here, as a zero rate.
    if (mgr.Sample(Clock::now())) {
        mgr.error_text = texts::ZeroRate();
        return 1;
    }
    return 0;
}
