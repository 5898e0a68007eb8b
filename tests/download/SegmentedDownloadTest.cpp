// Downloads in pieces over several connections, against the loopback server's faults.
#include <gtest/gtest.h>

#include <windows.h>

#include <sodium.h>

#include <algorithm>
#include <boost/filesystem.hpp>
#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "download/DownloadSidecar.h"
#include "download/RangeMap.h"
#include "download/Sha256Stream.h"
#include "tests/support/FileBytes.h"
#include "tests/support/OpenDownloadMgr.h"
#include "tests/support/TestEnv.h"

namespace {

namespace fs = boost::filesystem;

constexpr std::int64_t kKiB = 1024;
constexpr std::int64_t kMiB = 1048576;
const std::int64_t kSize = 8 * kMiB + 4321;
const fs::path kRoot = "D:\\pieces";

// One GET of the image as the server saw it: the asked range, both ends included.
struct Get {
    std::int64_t first = 0;
    std::int64_t last = -1;
    bool ranged = false;
};

std::vector<Get> ImageGets(const std::string& name) {
    std::istringstream log(testenv::Fetch(testenv::ServerUrl() + "/__requests"));
    boost::property_tree::ptree entries;
    boost::property_tree::read_json(log, entries);
    std::vector<Get> gets;
    for (const auto& item : entries) {
        const auto& entry = item.second;
        if (entry.get<std::string>("method") != "GET" ||
            entry.get<std::string>("path").find(name) == std::string::npos) {
            continue;
        }
        Get get;
        const std::string range = entry.get<std::string>("range", "null");
        long long first = 0;
        long long last = -1;
        if (std::sscanf(range.c_str(), "bytes=%lld-%lld", &first, &last) >= 1) {
            get = {first, last, true};
        }
        gets.push_back(get);
    }
    return gets;
}

struct Result {
    std::string error;
    DownloadOutcome how;
    std::string log;
};

// A manager that fetches in pieces from the start: four connections, small pieces.
template <typename Prepare>
Result Download(const std::deque<std::string>& links, const fs::path& image, const std::string& sha,
                Prepare prepare) {
    testenv::Fetch(testenv::ServerUrl() + "/__reset");
    OpenDownloadMgr mgr(MakeLinks(links), image, sha);
    mgr.segmented_min_size = 4 * kMiB;
    mgr.segments.connections = 4;
    mgr.segments.min_piece = 256 * kKiB;
    mgr.alone_within_seconds = 0;
    prepare(mgr);
    mgr.Start();
    mgr.worker.join();
    return {mgr.error_text, mgr.Outcome(), mgr.LogText()};
}

Result Download(const std::deque<std::string>& links, const fs::path& image,
                const std::string& sha = {}) {
    return Download(links, image, sha, [](OpenDownloadMgr&) {});
}

fs::path Fresh(const std::string& name) {
    const fs::path dir = kRoot / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir / "image.qrn";
}

std::string Sha256Hex(const std::string& bytes) {
    Sha256Stream stream;
    stream.Update(bytes.data(), bytes.size());
    return DigestHex(stream.Final());
}

void ExpectWholeImage(const fs::path& image, const std::string& content) {
    EXPECT_EQ(ReadBytes(image), content);
    EXPECT_EQ(ReadSidecar(image.string() + ".cfg"), static_cast<std::int64_t>(content.size()));
    EXPECT_FALSE(fs::exists(image.string() + ".part")) << "the work file became the image";
    EXPECT_FALSE(fs::exists(image.string() + ".part.map"));
}

class SegmentedDownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        content = Pattern(kSize);
        WriteBytes(fs::path(testenv::DocRoot()) / "big.bin", content);
        url = testenv::ServerUrl() + "/big.bin";
    }
    static std::string content;
    static std::string url;
};
std::string SegmentedDownloadTest::content;
std::string SegmentedDownloadTest::url;

TEST_F(SegmentedDownloadTest, FourConnectionsFetchDisjointRangesIntoAWorkFile) {
    const fs::path image = Fresh("four");
    const Result run = Download({url}, image, Sha256Hex(content));
    EXPECT_EQ(run.how, DownloadOutcome::Done) << run.error;
    ExpectWholeImage(image, content);
    // Four requests, one a connection, share the image out between them; later ones take
    // halves of what is left, and no request begins where one of the four does.
    const std::vector<Get> gets = ImageGets("big.bin");
    std::int64_t next = 0;
    for (int piece = 0; piece < 4; ++piece) {
        const auto at = std::find_if(gets.begin(), gets.end(),
                                     [next](const Get& get) { return get.first == next; });
        ASSERT_NE(at, gets.end()) << "no request starts at " << next;
        EXPECT_TRUE(at->ranged);
        EXPECT_EQ(std::count_if(gets.begin(), gets.end(),
                                [next](const Get& get) { return get.first == next; }),
                  1);
        next = at->last + 1;
    }
    EXPECT_EQ(next, kSize);
}

// Servers that cannot serve ranges as asked: one connection from the start, as for a small image.
TEST_F(SegmentedDownloadTest, RangesAnsweredWronglyFallBackToOneConnection) {
    struct Case {
        const char* name;
        const char* query;
    };
    const Case cases[] = {
        {"whole file for a range", "?mode=norange"},
        {"wrong start", "?mode=wrongstart&by=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path image = Fresh(c.name);
        const Result run = Download({url + c.query}, image, Sha256Hex(content));
        EXPECT_EQ(run.how, DownloadOutcome::Done) << run.error;
        ExpectWholeImage(image, content);
        const std::vector<Get> gets = ImageGets("big.bin");
        ASSERT_FALSE(gets.empty());
        EXPECT_FALSE(gets.back().ranged) << "the last request is one connection's, from byte 0";
    }
}

TEST_F(SegmentedDownloadTest, DroppedConnectionsAndADeadMirrorLoseNoRange) {
    const fs::path image = Fresh("dropped");
    const Result dropped = Download({url + "?mode=cutrange&times=3&after=100000"}, image);
    EXPECT_EQ(dropped.how, DownloadOutcome::Done) << dropped.error;
    ExpectWholeImage(image, content);

    // The dead mirror's ranges go to the live link, and the log names it. The live link is slow
    // enough for the dead one's connections to try it out.
    const fs::path second = Fresh("dead mirror");
    const std::string dead = testenv::DeadServerUrl() + "/big.bin";
    const Result mirror =
        Download({url + "?mode=pieces&size=16384&delay_ms=12", dead}, second, Sha256Hex(content));
    EXPECT_EQ(mirror.how, DownloadOutcome::Done) << mirror.error;
    ExpectWholeImage(second, content);
    EXPECT_NE(mirror.log.find(dead + ": "), std::string::npos) << mirror.log;
}

// A link whose every range request fails ends the download with its words and keeps what is
// stored for the next run.
TEST_F(SegmentedDownloadTest, ALinkThatOnlyFailsEndsTheDownload) {
    const fs::path image = Fresh("failing link");
    const Result run = Download({url + "?mode=status_get&code=500"}, image);
    EXPECT_EQ(run.how, DownloadOutcome::Unreachable);
    EXPECT_NE(run.error.find("500"), std::string::npos) << run.error;
    EXPECT_TRUE(fs::exists(image.string() + ".part.map"));
    EXPECT_EQ(ReadSidecar(image.string() + ".cfg"), kSize);
}

// A download starts on one connection and goes over to pieces only when that one alone would
// take too long for the rest; what it stored is the pieces' first run.
TEST_F(SegmentedDownloadTest, OneConnectionGoesOverToPiecesOnlyWhenAloneItWouldTakeLong) {
    struct Case {
        const char* name;
        const char* query;
        bool pieces;
    };
    const Case cases[] = {
        {"fast link", "", false},
        {"slow link", "?mode=pieces&size=16384&delay_ms=10", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path image = Fresh(c.name);
        const Result run = Download({url + c.query}, image, Sha256Hex(content),
                                    [](OpenDownloadMgr& mgr) { mgr.alone_within_seconds = 2; });
        EXPECT_EQ(run.how, DownloadOutcome::Done) << run.error;
        ExpectWholeImage(image, content);
        const std::vector<Get> gets = ImageGets("big.bin");
        ASSERT_FALSE(gets.empty());
        EXPECT_FALSE(gets.front().ranged) << "one connection from byte 0 first";
        if (!c.pieces) {
            EXPECT_EQ(gets.size(), 1u);
            continue;
        }
        ASSERT_GE(gets.size(), 5u);
        // The pieces start past what the one connection stored, never at byte 0 again.
        for (std::size_t i = 1; i < gets.size(); ++i) {
            EXPECT_TRUE(gets[i].ranged);
            EXPECT_GT(gets[i].first, 0);
        }
    }
}

// What is on disk decides what is asked for: a partial image of an older program is adopted, a
// work file's record is trusted for the ranges it names, and anything else starts afresh.
TEST_F(SegmentedDownloadTest, ResumeAsksOnlyForWhatIsMissing) {
    struct Case {
        const char* name;
        std::int64_t image_bytes;               // contiguous head under the image's name; -1 none
        std::vector<RangeMap::Range> recorded;  // finished ranges of a work file; empty none
        std::int64_t first_missing;
    };
    const std::int64_t third = 3 * kMiB;
    const Case cases[] = {
        {"older program's partial image", third, {}, third},
        {"work file with holes", -1, {{0, kMiB}, {2 * kMiB, 5 * kMiB}}, kMiB},
        {"work file whose head is missing", -1, {{4 * kMiB, kSize}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path image = Fresh(c.name);
        WriteSidecar(image.string() + ".cfg", kSize);
        if (c.image_bytes >= 0) {
            WriteBytes(image, content.substr(0, static_cast<std::size_t>(c.image_bytes)));
        }
        RangeMap map(kSize);
        if (!c.recorded.empty()) {
            // Only the recorded ranges hold the image's bytes; the holes hold garbage.
            std::string work(static_cast<std::size_t>(kSize), 'x');
            for (const RangeMap::Range& r : c.recorded) {
                map.Add(r.begin, r.end);
                work.replace(static_cast<std::size_t>(r.begin),
                             static_cast<std::size_t>(r.end - r.begin),
                             content.substr(static_cast<std::size_t>(r.begin),
                                            static_cast<std::size_t>(r.end - r.begin)));
            }
            WriteBytes(image.string() + ".part", work);
            ASSERT_TRUE(map.Store(image.string() + ".part.map"));
        } else {
            map.Add(0, c.image_bytes);
        }
        const Result run = Download({url}, image, Sha256Hex(content));
        EXPECT_EQ(run.how, DownloadOutcome::Done) << run.error;
        ExpectWholeImage(image, content);
        std::int64_t lowest = kSize;
        for (const Get& get : ImageGets("big.bin")) {
            ASSERT_TRUE(get.ranged);
            lowest = std::min(lowest, get.first);
            for (const RangeMap::Range& done : map.Finished()) {
                EXPECT_TRUE(get.last < done.begin || get.first >= done.end)
                    << "bytes " << get.first << "-" << get.last << " were already stored";
            }
        }
        EXPECT_EQ(lowest, c.first_missing);
    }
}

// A stop ends every connection at once; the record names only bytes the work file holds.
TEST_F(SegmentedDownloadTest, StopEndsEveryConnectionWithinASecondAndKeepsTheRecord) {
    const fs::path image = Fresh("stop");
    testenv::Fetch(testenv::ServerUrl() + "/__reset");
    OpenDownloadMgr mgr(MakeLinks({url + "?mode=pieces&size=16384&delay_ms=20"}), image);
    mgr.segmented_min_size = 4 * kMiB;
    mgr.segments.min_piece = 256 * kKiB;
    mgr.alone_within_seconds = 0;
    mgr.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ASSERT_FALSE(mgr.finished);
    const auto asked = std::chrono::steady_clock::now();
    mgr.stop_requested = true;
    mgr.worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(1));
    EXPECT_EQ(mgr.Outcome(), DownloadOutcome::Stopped);
    EXPECT_GE(ImageGets("big.bin").size(), 4u) << "four connections were running";
    const std::optional<RangeMap> map = RangeMap::Load(image.string() + ".part.map");
    ASSERT_TRUE(map);
    EXPECT_GT(map->Done(), 0);
    const std::string work = ReadBytes(image.string() + ".part");
    for (const RangeMap::Range& r : map->Finished()) {
        EXPECT_EQ(work.substr(static_cast<std::size_t>(r.begin),
                              static_cast<std::size_t>(r.end - r.begin)),
                  content.substr(static_cast<std::size_t>(r.begin),
                                 static_cast<std::size_t>(r.end - r.begin)));
    }
    EXPECT_FALSE(fs::exists(image)) << "holes never go under the image's name";
    // The next run goes on from the record to an exact image.
    const Result resumed = Download({url}, image, Sha256Hex(content));
    EXPECT_EQ(resumed.how, DownloadOutcome::Done) << resumed.error;
    ExpectWholeImage(image, content);
}

}  // namespace
