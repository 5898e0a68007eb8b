// Fetches the missing ranges of an image into its work file over several connections at once, on
// one link or on several links of the same list, on the calling thread. Every connection asks for
// a range of its own; one left without work takes half of the largest range in flight; a link
// that fails or stalls hands its ranges to the others.
#pragma once

#include <atomic>
#include <boost/filesystem/path.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "download/RangeMap.h"
#include "download/TransferSettings.h"

class ImageHasher;
class WorkFile;

class SegmentedDownload {
public:
    using Clock = std::chrono::steady_clock;

    enum class End {
        // Every byte is in the work file and in its record.
        Whole,
        Stopped,
        // The first link answered a range with the whole file or with other bytes than asked:
        // only one connection from the start can fetch from it.
        RangesRefused,
        // Every link failed; FailureText says how the last one did.
        LinksFailed,
        // Every link stalled (the last one that did was still delivering nothing at the limit).
        Stalled,
        // The work file or its record could not be written.
        LocalError,
    };

    struct Options {
        int connections = 4;
        // The least a range is cut down to, and the least a connection is started for.
        std::int64_t min_piece = 1048576;
        // Consecutive zero-rate samples of a link after which it counts as stalled.
        std::int32_t zero_rate_limit = 20;
    };

    // Called after every block received and about ten times a second besides: the bytes stored
    // (recorded or on their way to the work file), and the bytes received since the last call.
    using Progress = std::function<void(std::int64_t stored, std::int64_t received)>;

    // `links`: the first is the link the size came from; the others are mirrors of the same list,
    // used only once they answer a range of an image of `map`'s size. `map` is the work file's
    // record, kept up to date at `mapPath` while the ranges arrive; with a `hasher`, its hash
    // follows the first run of finished bytes of `workPath`.
    SegmentedDownload(std::vector<std::string> links, const TransferSettings& network,
                      const boost::filesystem::path& workPath,
                      const boost::filesystem::path& mapPath, RangeMap& map, ImageHasher* hasher,
                      Options options, Progress progress, const std::atomic<bool>& stop);
    ~SegmentedDownload();
    SegmentedDownload(const SegmentedDownload&) = delete;
    SegmentedDownload& operator=(const SegmentedDownload&) = delete;

    End Run();

    // For LinksFailed: the text of the last link's failure; a failure of its certificate, TLS
    // version or proxy when `LinkRefused`.
    const std::string& FailureText() const { return failure_text; }
    bool LinkRefused() const { return link_refused; }
    // The links given up along the way, one line each ("<link>: <why>").
    const std::string& Notes() const { return notes; }
    // True once any byte arrived.
    bool Received() const { return received_any; }

private:
    struct Connection;
    struct Link;

    void StartIdle(Clock::time_point now);
    bool StartRequest(Connection& connection);
    // What ended a request; false when the whole download must end (`end` says how).
    bool Finish(Connection& connection, int result, End& end);
    void Retire(Connection& connection, const std::string& why, bool refused);
    void GiveUpLink(int link, const std::string& why, bool refused);
    bool Flush(Connection& connection);
    bool FlushAll();
    // Records the map when it changed; lets the hash follow. False when it cannot be written.
    bool Record(bool force);
    // Samples every link once a second; false when the last link stalled.
    bool SampleLinks(Clock::time_point now);
    void Halt();
    int LiveLinks() const;
    std::int64_t Stored() const;
    static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* connection);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* connection);
    std::size_t Write(Connection& connection, const char* data, std::size_t size);

    std::vector<Link> links;
    const TransferSettings& network;
    boost::filesystem::path work_path;
    boost::filesystem::path map_path;
    RangeMap& map;
    ImageHasher* hasher;
    Options options;
    Progress progress;
    const std::atomic<bool>& stop;
    std::unique_ptr<WorkFile> file;
    struct State;
    std::unique_ptr<State> state;
    std::vector<std::unique_ptr<Connection>> connections;
    std::string failure_text;
    bool link_refused = false;
    std::string notes;
    bool received_any = false;
    bool ranges_refused = false;
    bool local_failure = false;
    std::int64_t buffered = 0;
    std::int64_t recorded_done = -1;
    // Where the bytes handed to the hasher end: a flush that starts there is hashed from memory.
    std::int64_t hash_next = 0;
    std::int64_t unreported = 0;
};
