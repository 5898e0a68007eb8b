#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "download/EngineTexts.h"
#include "download/Sha256Stream.h"
#include "download/quorrin_download_mgr.h"
#include "tests/support/FileBytes.h"
#include "tests/support/OpenDownloadMgr.h"

namespace {

constexpr std::int64_t kImageSize = 3 * 1048576;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The image on the test server, and a save path of its own for each case.
struct Image {
    Image() {
        std::string bytes(static_cast<size_t>(kImageSize), '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 7 % 251);
        WriteBytes(Env("QUORRIN_TEST_DOCROOT_UNIX") + "/image.qrn", bytes);
        Sha256Stream stream;
        stream.Update(bytes.data(), bytes.size());
        digest = DigestHex(stream.Final());
    }
    const std::string& Sha256() const { return digest; }
    std::string digest;
    static std::string Url(const std::string& query) {
        return Env("QUORRIN_TEST_SERVER") + "/image.qrn" + query;
    }
};

std::int64_t StoredSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::int64_t>(in.tellg()) : -1;
}

// Reads the progress the way the window's timer does, on a thread of its own, until the worker
// reports the end; checks that what it sees never goes backwards or beyond the whole.
class ProgressPoller {
public:
    explicit ProgressPoller(const quorrin_download_mgr& mgr)
        : thread([this, &mgr] {
              double last = 0;
              while (!mgr.IsFinished()) {
                  double downloaded = 0, total = 0, speed = 0;
                  mgr.QueryProgress(downloaded, total, speed);
                  if (downloaded < last || (total > 0 && downloaded > total) || speed < 0)
                      inconsistent = true;
                  last = downloaded;
                  ++polls;
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~ProgressPoller() { thread.join(); }
    std::atomic<bool> inconsistent{false};
    std::atomic<int> polls{0};

private:
    std::thread thread;
};

TEST(EngineProgress, AWorkerAndAPollerShareTheCounters) {
    ASSERT_FALSE(Env("QUORRIN_TEST_SERVER").empty()) << "runs under the test server";
    // The engine's messages are Chinese: without a multibyte locale they would all read empty,
    // and a failure would look like success.
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    const Image image;
    const struct {
        const char* name;
        std::string query;
        bool complete;
        // Stops the download from this thread after this many milliseconds; 0 never.
        int stopAfterMs;
        // Over four connections, with the hash following the pieces.
        bool pieces;
    } cases[] = {
        {"whole image", "", true, 0, false},
        {"in small slow pieces", "?mode=pieces&size=65536&delay_ms=2", true, 0, false},
        {"connection dropped after a third", "?mode=drop&after=1048576", false, 0, false},
        {"stopped while the link stalls", "?mode=stall&after=1048576&seconds=30", false, 300,
         false},
        {"four connections", "?mode=pieces&size=65536&delay_ms=2", true, 0, true},
        {"four connections, stopped", "?mode=pieces&size=4096&delay_ms=10", false, 300, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = "engine_progress_" + std::to_string(n++) + ".qrn";
        std::remove(path.c_str());
        std::remove((path + ".cfg").c_str());
        OpenDownloadMgr mgr(MakeLinks({Image::Url(c.query)}), path, c.pieces ? image.Sha256() : "");
        if (c.pieces) {
            mgr.segmented_min_size = 1048576;
            mgr.segments.min_piece = 262144;
            mgr.alone_within_seconds = 0;
        }
        mgr.Start();
        {
            ProgressPoller poller(mgr);
            if (c.stopAfterMs > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(c.stopAfterMs));
                mgr.StopAndWait();
            }
            while (!mgr.IsFinished())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_FALSE(poller.inconsistent);
        }
        mgr.StopAndWait();
        EXPECT_EQ(mgr.ErrorText().empty(), c.complete) << mgr.ErrorText();
        if (c.complete)
            EXPECT_EQ(StoredSize(path), kImageSize);
        if (c.stopAfterMs > 0)
            EXPECT_EQ(mgr.ErrorText(), texts::UserStop());
    }
}

}  // namespace
