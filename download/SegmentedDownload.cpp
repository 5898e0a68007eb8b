#include "download/SegmentedDownload.h"

#include <curl/curl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "base/UserAgent.h"
#include "download/CurlEasy.h"
#include "download/DownloadDecisions.h"
#include "download/EngineTexts.h"
#include "download/ImageHasher.h"
#include "download/LinkFailure.h"
#include "download/SegmentScheduler.h"
#include "download/WorkFile.h"

namespace fs = boost::filesystem;
using Clock = SegmentedDownload::Clock;

namespace {
// What each connection gathers before it writes: few, large writes.
constexpr std::size_t kGatherBytes = 512 * 1024;
// How often the loop looks at the stop flag, the record and the rates while nothing arrives.
constexpr int kPollMs = 100;
// The record is saved this often while bytes arrive: a killed run fetches again at most what
// arrived since, in the ranges then in flight.
constexpr auto kRecordEvery = std::chrono::seconds(1);
// A connection whose requests fail this many times in a row without a byte stops for the run;
// it waits this long between two tries.
constexpr int kConnectionTries = 3;
constexpr auto kRetryPause = std::chrono::seconds(1);

// Owns the multi handle that drives every connection.
class CurlMulti {
public:
    CurlMulti() : handle(curl_multi_init()) {}
    ~CurlMulti() {
        if (handle != nullptr) {
            curl_multi_cleanup(handle);
        }
    }
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;
    CURLM* get() const { return handle; }

private:
    CURLM* handle;
};

std::int64_t MicrosecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::microseconds>(to - from).count();
}
}  // namespace

struct SegmentedDownload::Link {
    std::string url;
    bool live = true;
    // Bytes since the last sample, and the run of zero-rate samples.
    std::int64_t interval_bytes = 0;
    std::int32_t zero_samples = 0;
    Clock::time_point last_sample;
};

struct SegmentedDownload::Connection {
    SegmentedDownload* owner = nullptr;
    int id = 0;
    int link = 0;
    CurlEasy easy;
    bool running = false;
    bool retired = false;
    int failures = 0;
    Clock::time_point not_before;
    // The request's range, both ends included, and the next byte it brings.
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t position = 0;
    std::int64_t received = 0;
    std::string content_range;
    bool checked = false;
    // Why the write handler ended the request, if it did.
    enum class Cut { None, PieceEnd, Refused, BadStatus, Local, Stop } cut = Cut::None;
    long status = 0;
    // Bytes gathered for the work file, which go at `gathered_at`.
    std::vector<char> gathered;
    std::int64_t gathered_at = 0;
    std::string proxy;
    char error[CURL_ERROR_SIZE] = {};
};

struct SegmentedDownload::State {
    CurlMulti multi;
    SegmentScheduler scheduler;
    Clock::time_point last_record;
    State(const std::vector<RangeMap::Range>& missing, int connections, std::int64_t minPiece)
        : scheduler(missing, connections, minPiece) {}
};

SegmentedDownload::SegmentedDownload(std::vector<std::string> urls, const TransferSettings& network,
                                     const fs::path& workPath, const fs::path& mapPath,
                                     RangeMap& map, ImageHasher* hasher, Options options,
                                     Progress progress, const std::atomic<bool>& stop)
    : network(network),
      work_path(workPath),
      map_path(mapPath),
      map(map),
      hasher(hasher),
      options(options),
      progress(std::move(progress)),
      stop(stop) {
    for (std::string& url : urls) {
        Link link;
        link.url = std::move(url);
        links.push_back(std::move(link));
    }
    this->options.connections = std::max(this->options.connections, 1);
}

SegmentedDownload::~SegmentedDownload() {
    Halt();
}

void SegmentedDownload::Halt() {
    if (!state) {
        return;
    }
    for (auto& connection : connections) {
        if (connection->running) {
            curl_multi_remove_handle(state->multi.get(), connection->easy.get());
            connection->running = false;
        }
    }
}

int SegmentedDownload::LiveLinks() const {
    return static_cast<int>(
        std::count_if(links.begin(), links.end(), [](const Link& l) { return l.live; }));
}

std::int64_t SegmentedDownload::Stored() const {
    return map.Done() + buffered;
}

SegmentedDownload::End SegmentedDownload::Run() {
    try {
        file = std::make_unique<WorkFile>(work_path);
    } catch (const std::exception&) {
        return End::LocalError;
    }
    state = std::make_unique<State>(map.Missing(), options.connections, options.min_piece);
    if (!state->multi.get()) {
        return End::LocalError;
    }
    const Clock::time_point start = Clock::now();
    state->last_record = start;
    recorded_done = map.Done();
    for (Link& link : links) {
        link.last_sample = start;
    }
    for (int id = 0; id < options.connections; ++id) {
        auto connection = std::make_unique<Connection>();
        connection->owner = this;
        connection->id = id;
        connection->link = id % static_cast<int>(links.size());
        connection->gathered.reserve(kGatherBytes);
        if (connection->easy.get() == nullptr) {
            return End::LocalError;
        }
        connections.push_back(std::move(connection));
    }
    if (hasher != nullptr) {
        hasher->Follow(work_path, map.Prefix());
        hash_next = map.Prefix();
    }

    End end = End::Whole;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (stop) {
            end = End::Stopped;
            break;
        }
        StartIdle(now);
        if (state->scheduler.AllDone()) {
            break;
        }
        if (std::none_of(connections.begin(), connections.end(),
                         [](const auto& c) { return c->running || !c->retired; })) {
            end = End::LinksFailed;
            break;
        }
        int active = 0;
        curl_multi_perform(state->multi.get(), &active);
        bool ended = false;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(state->multi.get(), &left)) {
            if (message->msg != CURLMSG_DONE) {
                continue;
            }
            Connection* connection = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &connection);
            const CURLcode result = message->data.result;
            curl_multi_remove_handle(state->multi.get(), connection->easy.get());
            connection->running = false;
            if (!Finish(*connection, result, end)) {
                ended = true;
                break;
            }
        }
        if (ended) {
            break;
        }
        if (!SampleLinks(Clock::now())) {
            end = End::Stalled;
            break;
        }
        if (!Record(false)) {
            end = End::LocalError;
            break;
        }
        if (progress) {
            progress(Stored(), std::exchange(unreported, 0));
        }
        if (LiveLinks() == 0) {
            end = End::LinksFailed;
            break;
        }
        curl_multi_poll(state->multi.get(), nullptr, 0, kPollMs, nullptr);
    }
    Halt();
    const bool flushed = FlushAll();
    // Closed here: the work file is renamed or truncated as soon as this returns.
    file.reset();
    if (!Record(true) || !flushed || local_failure) {
        return End::LocalError;
    }
    if (end == End::Whole && !map.Whole()) {
        // Every range was handed out and ended, yet bytes are missing: only a write can lose them.
        return End::LocalError;
    }
    if (progress) {
        progress(Stored(), std::exchange(unreported, 0));
    }
    return end;
}

void SegmentedDownload::StartIdle(Clock::time_point now) {
    for (auto& connection : connections) {
        if (connection->running || connection->retired || now < connection->not_before) {
            continue;
        }
        if (!links[static_cast<std::size_t>(connection->link)].live) {
            continue;
        }
        const std::optional<RangeMap::Range> piece = state->scheduler.Take(connection->id);
        if (!piece) {
            continue;
        }
        connection->position = piece->begin;
        if (!StartRequest(*connection)) {
            state->scheduler.Release(connection->id);
            connection->retired = true;
            local_failure = true;
        }
    }
}

bool SegmentedDownload::StartRequest(Connection& c) {
    CURL* h = c.easy.get();
    const Link& link = links[static_cast<std::size_t>(c.link)];
    c.first = c.position;
    c.last = state->scheduler.End(c.id) - 1;
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_URL, link.url.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    c.error[0] = '\0';
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, c.error);
    c.proxy = network.Apply(h, link.url);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 7L);
    const std::string range = std::to_string(c.first) + "-" + std::to_string(c.last);
    curl_easy_setopt(h, CURLOPT_RANGE, range.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnWrite);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &c);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &c);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(h, CURLOPT_PRIVATE, &c);
    c.received = 0;
    c.content_range.clear();
    c.checked = false;
    c.cut = Connection::Cut::None;
    c.status = 0;
    c.gathered_at = c.position;
    if (curl_multi_add_handle(state->multi.get(), h) != CURLM_OK) {
        return false;
    }
    c.running = true;
    return true;
}

std::size_t SegmentedDownload::OnHeader(char* data, std::size_t size, std::size_t count,
                                        void* userdata) {
    auto& c = *static_cast<Connection*>(userdata);
    NoteContentRange(std::string(data, size * count), c.content_range);
    return size * count;
}

std::size_t SegmentedDownload::OnWrite(char* data, std::size_t size, std::size_t count,
                                       void* userdata) {
    auto& c = *static_cast<Connection*>(userdata);
    return c.owner->Write(c, data, size * count);
}

std::size_t SegmentedDownload::Write(Connection& c, const char* data, std::size_t n) {
    if (!c.checked) {
        c.checked = true;
        curl_easy_getinfo(c.easy.get(), CURLINFO_RESPONSE_CODE, &c.status);
        if (!RangeAnswered(c.status, c.content_range, c.first, c.last, map.Total())) {
            // A whole file or other bytes than asked: this server does not serve ranges as
            // they must be served. Any other status is the link's failure, not the range's.
            c.cut = c.status == 200 || c.status == 206 ? Connection::Cut::Refused
                                                       : Connection::Cut::BadStatus;
            return 0;
        }
    }
    if (stop) {
        c.cut = Connection::Cut::Stop;
        return 0;
    }
    const std::int64_t end = state->scheduler.End(c.id);
    const auto take = static_cast<std::size_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(n), std::max<std::int64_t>(end - c.position, 0)));
    std::size_t at = 0;
    while (at < take) {
        const std::size_t room = kGatherBytes - c.gathered.size();
        const std::size_t part = std::min(room, take - at);
        c.gathered.insert(c.gathered.end(), data + at, data + at + part);
        at += part;
        buffered += static_cast<std::int64_t>(part);
        if (c.gathered.size() == kGatherBytes && !Flush(c)) {
            c.cut = Connection::Cut::Local;
            return 0;
        }
    }
    c.position += static_cast<std::int64_t>(take);
    c.received += static_cast<std::int64_t>(take);
    links[static_cast<std::size_t>(c.link)].interval_bytes += static_cast<std::int64_t>(take);
    unreported += static_cast<std::int64_t>(take);
    received_any = received_any || take > 0;
    state->scheduler.Advance(c.id, c.position);
    if (c.position >= end) {
        // The piece is done, though its request may run on past a split: the rest belongs to
        // another connection, so this one stops here.
        if (!Flush(c)) {
            c.cut = Connection::Cut::Local;
            return 0;
        }
        if (take < n || c.last + 1 > end) {
            c.cut = Connection::Cut::PieceEnd;
            return 0;
        }
    }
    if (progress) {
        progress(Stored(), std::exchange(unreported, 0));
    }
    return n;
}

bool SegmentedDownload::Flush(Connection& c) {
    if (c.gathered.empty()) {
        return true;
    }
    const std::int64_t size = static_cast<std::int64_t>(c.gathered.size());
    const bool written = file->WriteAt(c.gathered_at, c.gathered.data(), c.gathered.size());
    buffered -= size;
    if (written) {
        map.Add(c.gathered_at, c.gathered_at + size);
        // The bytes that carry the hash on need not be read back: they go from memory.
        if (hasher != nullptr && c.gathered_at == hash_next) {
            hasher->FeedAt(c.gathered_at, c.gathered.data(), c.gathered.size());
            hash_next += size;
        }
    } else {
        local_failure = true;
    }
    c.gathered_at += size;
    c.gathered.clear();
    return written;
}

bool SegmentedDownload::FlushAll() {
    bool all = true;
    for (auto& connection : connections) {
        all = Flush(*connection) && all;
    }
    return all;
}

bool SegmentedDownload::Finish(Connection& c, int code, End& end) {
    const auto result = static_cast<CURLcode>(code);
    if (!Flush(c)) {
        end = End::LocalError;
        return false;
    }
    switch (c.cut) {
        case Connection::Cut::Stop:
            end = End::Stopped;
            return false;
        case Connection::Cut::Local:
            end = End::LocalError;
            return false;
        case Connection::Cut::PieceEnd:
            c.failures = 0;
            return true;
        case Connection::Cut::Refused:
            if (c.link == 0) {
                ranges_refused = true;
                end = End::RangesRefused;
                return false;
            }
            // A mirror that cannot serve ranges, or serves an image of another size, cannot
            // share this download.
            GiveUpLink(c.link, texts::NotTheRest(), false);
            return true;
        case Connection::Cut::BadStatus:
        case Connection::Cut::None:
            break;
    }
    const RequestEnd how = ReadRequestEnd(c.easy.get(), result, c.proxy, c.error);
    const std::string refused = LinkFailureText(how);
    if (!refused.empty()) {
        state->scheduler.Release(c.id);
        GiveUpLink(c.link, refused, true);
        return true;
    }
    if (result == CURLE_OK && c.cut == Connection::Cut::None && c.checked &&
        c.position >= state->scheduler.End(c.id)) {
        c.failures = 0;
        return true;
    }
    // An answer without a body is judged by its status, like one whose body was refused above.
    long status = c.status;
    if (!c.checked) {
        curl_easy_getinfo(c.easy.get(), CURLINFO_RESPONSE_CODE, &status);
    }
    if (result == CURLE_OK && !c.checked && (status == 200 || status == 206) && c.link == 0) {
        ranges_refused = true;
        end = End::RangesRefused;
        return false;
    }
    // Dropped, refused with an error status, or ended short: the rest of the piece waits for
    // the next connection. A connection that brought bytes may try again at once.
    state->scheduler.Release(c.id);
    std::string why;
    if (result != CURLE_OK && c.cut == Connection::Cut::None) {
        why = texts::TransferFailed(curl_easy_strerror(result));
    } else if (status != 200 && status != 206) {
        why = texts::BadStatus(status);
    } else {
        why = texts::TransferFailed(curl_easy_strerror(CURLE_PARTIAL_FILE));
    }
    if (c.received > 0) {
        c.failures = 0;
        return true;
    }
    c.not_before = Clock::now() + kRetryPause;
    if (++c.failures >= kConnectionTries) {
        Retire(c, why, false);
    }
    return true;
}

void SegmentedDownload::Retire(Connection& c, const std::string& why, bool refused) {
    c.retired = true;
    const int link = c.link;
    // A link is given up once none of its connections is left to try it.
    const bool anyLeft = std::any_of(connections.begin(), connections.end(),
                                     [&](const auto& o) { return o->link == link && !o->retired; });
    if (!anyLeft) {
        GiveUpLink(link, why, refused);
    }
}

void SegmentedDownload::GiveUpLink(int index, const std::string& why, bool refused) {
    Link& link = links[static_cast<std::size_t>(index)];
    if (!link.live) {
        return;
    }
    link.live = false;
    if (!notes.empty()) {
        notes += "\n";
    }
    notes += link.url + ": " + why;
    failure_text = why;
    link_refused = refused;
    // Its connections go over to the links still live, each taking up its piece there.
    std::vector<int> live;
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (links[i].live) {
            live.push_back(static_cast<int>(i));
        }
    }
    std::size_t next = 0;
    for (auto& connection : connections) {
        if (connection->link != index) {
            continue;
        }
        if (connection->running) {
            curl_multi_remove_handle(state->multi.get(), connection->easy.get());
            connection->running = false;
            Flush(*connection);
        }
        state->scheduler.Release(connection->id);
        if (live.empty()) {
            connection->retired = true;
            continue;
        }
        connection->link = live[next++ % live.size()];
        connection->retired = false;
        connection->failures = 0;
        connection->not_before = Clock::time_point();
    }
}

bool SegmentedDownload::SampleLinks(Clock::time_point now) {
    for (std::size_t i = 0; i < links.size(); ++i) {
        Link& link = links[i];
        const std::int64_t since = MicrosecondsBetween(link.last_sample, now);
        if (!link.live || !SampleDue(since)) {
            continue;
        }
        // Only a link with a request under way can stall; one without work is not idle.
        const bool busy = std::any_of(connections.begin(), connections.end(), [&](const auto& c) {
            return c->running && c->link == static_cast<int>(i);
        });
        if (!busy) {
            link.interval_bytes = 0;
            link.last_sample = now;
            link.zero_samples = 0;
            continue;
        }
        const double rate = RateOver(static_cast<double>(link.interval_bytes), since);
        link.interval_bytes = 0;
        link.last_sample = now;
        if (CountSample(rate, link.zero_samples, options.zero_rate_limit)) {
            if (LiveLinks() == 1) {
                failure_text = texts::ZeroRate();
                return false;
            }
            GiveUpLink(static_cast<int>(i), texts::ZeroRate(), false);
        }
    }
    return true;
}

bool SegmentedDownload::Record(bool force) {
    const Clock::time_point now = Clock::now();
    if (!force && now - state->last_record < kRecordEvery) {
        return true;
    }
    state->last_record = now;
    // Only bytes already written are recorded: what a connection still gathers waits.
    const bool changed = map.Done() != recorded_done;
    if (changed) {
        if (!map.Store(map_path)) {
            return false;
        }
        recorded_done = map.Done();
    }
    // Follow saves the hash state, which so covers only bytes the record names: the hash reads
    // back what came from other connections, up to the first run's end.
    if (hasher != nullptr && (changed || force)) {
        hasher->Follow(work_path, map.Prefix());
        hash_next = map.Prefix();
    }
    return true;
}
