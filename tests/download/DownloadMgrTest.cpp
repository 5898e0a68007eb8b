#include <gtest/gtest.h>

#include <windows.h>

#include <sodium.h>

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/filesystem.hpp>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <locale>
#include <memory>
#include <string>
#include <thread>

#include "app/UserLocale.h"
#include "download/DownloadSidecar.h"
#include "download/EngineTexts.h"
#include "download/quorrin_download_mgr.h"
#include "tests/support/FileBytes.h"
#include "tests/support/OpenDownloadMgr.h"
#include "tests/support/TestEnv.h"

namespace {

namespace fs = boost::filesystem;

constexpr std::int64_t kMiB = 1048576;
const char kUserStop[] = "\xd3\xc3\xbb\xa7\xd6\xd0\xb6\xcf\xcf\xc2\xd4\xd8!";
const char kNoSize[] = "\xce\xde\xb7\xa8\xbb\xf1\xc8\xa1\xce\xc4\xbc\xfe\xb4\xf3\xd0\xa1";
const char kNoLinkLeft[] =
    "\xce\xde\xb7\xa8\xbb\xf1\xc8\xa1\xd3\xd0\xd0\xa7\xc1\xb4\xbd\xd3\xa3\xac "
    "\xc1\xb4\xbd\xd3\xd2\xd1\xb3\xa2\xca\xd4\xcd\xea!";
const char kProbeFailed[] =
    "\xc1\xac\xbd\xd3\xb3\xf6\xb4\xed\xbb\xf2\xb3\xac\xca\xb1, "
    "\xce\xde\xb7\xa8\xbb\xf1\xc8\xa1\xcf\xc2\xd4\xd8\xce\xc4\xbc\xfe\xb4\xf3\xd0\xa1";

// Serves `name` from the document root with `content`.
std::string Serve(const std::string& name, const std::string& content) {
    WriteBytes(fs::path(testenv::DocRoot()) / name, content);
    return testenv::ServerUrl() + "/" + name;
}

std::string RequestLog() {
    return testenv::Fetch(testenv::ServerUrl() + "/__requests");
}

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

struct Outcome {
    std::string error;
    std::string requests;
    DownloadOutcome how;
};

// Runs one download of `links` into `image` as the window does; `prepare` may adjust the manager.
template <typename Prepare>
Outcome Download(const std::deque<std::string>& links, const fs::path& image, Prepare prepare) {
    testenv::Fetch(testenv::ServerUrl() + "/__reset");
    OpenDownloadMgr mgr(MakeLinks(links), image);
    prepare(mgr);
    mgr.Start();
    mgr.worker.join();
    EXPECT_TRUE(mgr.finished);
    EXPECT_EQ(mgr.error_text.empty(), mgr.Outcome() == DownloadOutcome::Done) << mgr.error_text;
    return {mgr.error_text, RequestLog(), mgr.Outcome()};
}

Outcome Download(const std::deque<std::string>& links, const fs::path& image) {
    return Download(links, image, [](OpenDownloadMgr&) {});
}

const fs::path kRoot = "D:\\dl";
const std::int64_t kSize = 2 * kMiB + 123;

class DownloadMgrTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        content = Pattern(kSize);
        url = Serve("image.bin", content);
    }
    static std::string content;
    static std::string url;
};
std::string DownloadMgrTest::content;
std::string DownloadMgrTest::url;

TEST_F(DownloadMgrTest, ResumeDecisionsOnDisk) {
    struct Case {
        const char* name;
        // Sidecar record before the run (0: none; -1: unreadable) and image bytes (npos: none).
        std::int64_t recorded;
        size_t stored;
        // Expected Range header of the transfer; "" none; "-" no transfer at all.
        const char* range;
    };
    const size_t none = std::string::npos;
    const Case cases[] = {
        {"no directory yet", 0, none, ""},
        {"complete image, matching record", kSize, size_t(kSize), "-"},
        {"partial image at the 1 MiB boundary", kSize, size_t(kMiB), "bytes=1048576-"},
        {"image larger than the remote file", kSize, size_t(kSize) + 10, ""},
        {"record of another size", kSize - 1, size_t(kMiB), ""},
        {"record but no image", kSize, none, ""},
        {"unreadable record", -1, size_t(kMiB), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = kRoot / "resume" / c.name;
        fs::remove_all(dir);
        const fs::path image = dir / "sub" / "image.qrn";
        if (c.recorded > 0) {
            fs::create_directories(dir / "sub");
            WriteSidecar(image.string() + ".cfg", c.recorded);
        } else if (c.recorded < 0) {
            WriteBytes(image.string() + ".cfg", "<brenic><full_si");
        }
        if (c.stored != none) {
            // A partial image must be the served file's head; a larger one carries a tail.
            WriteBytes(
                image,
                content.substr(0, c.stored) +
                    std::string(c.stored > content.size() ? c.stored - content.size() : 0, 'x'));
        }
        const Outcome outcome = Download({url}, image);
        EXPECT_EQ(outcome.error, "");
        EXPECT_EQ(ReadBytes(image), content);
        EXPECT_EQ(ReadSidecar(image.string() + ".cfg"), kSize);
        if (std::string(c.range) == "-") {
            EXPECT_EQ(Count(outcome.requests, "\"GET\""), 0) << outcome.requests;
        } else {
            EXPECT_EQ(Count(outcome.requests, "\"GET\""), 1) << outcome.requests;
            const std::string range = *c.range ? std::string("\"range\": \"") + c.range + "\""
                                               : std::string("\"range\": null");
            EXPECT_EQ(Count(outcome.requests, range), 2 - (*c.range ? 1 : 0)) << outcome.requests;
        }
    }
}

TEST_F(DownloadMgrTest, ResumedRangeIsPlainDigitsUnderAGroupingLocale) {
    NumberFormat format;
    format.grouping = "\3";
    const std::locale saved =
        std::locale::global(LocaleWithNumberFormat(std::locale::classic(), format));
    const fs::path image = kRoot / "grouping" / "image.qrn";
    fs::remove_all(image.parent_path());
    WriteBytes(image, content.substr(0, kMiB));
    WriteSidecar(image.string() + ".cfg", kSize);
    const Outcome outcome = Download({url}, image);
    std::locale::global(saved);
    EXPECT_EQ(outcome.error, "");
    EXPECT_NE(outcome.requests.find("\"range\": \"bytes=1048576-\""), std::string::npos)
        << outcome.requests;
    EXPECT_EQ(ReadBytes(image), content);
}

// Answers that must end in the whole image or a clear text with the stored bytes kept.
TEST_F(DownloadMgrTest, ServerFaults) {
    struct Case {
        const char* name;
        std::string query;  // appended to the served file's address
        size_t stored;      // bytes of the image before the run (with a matching record)
        std::string error;  // "" success; "*" any non-empty text
        size_t kept;        // bytes of the served file's head in the image after a failure
        DownloadOutcome how;
    };
    constexpr auto kDone = DownloadOutcome::Done;
    constexpr auto kRefused = DownloadOutcome::Refused;
    constexpr auto kUnreachable = DownloadOutcome::Unreachable;
    const Case cases[] = {
        {"server ignores Range and sends 200", "?mode=norange", size_t(kMiB), "", 0, kDone},
        {"redirect chain", "?mode=redirect&hops=3", 1000, "", 0, kDone},
        {"too many redirects", "?mode=redirect&hops=9", 1000, kProbeFailed, 1000, kUnreachable},
        {"slow trickle", "?mode=pieces&size=65536&delay_ms=2", 0, "", 0, kDone},
        {"a page instead of the rest", "?mode=status_get&code=200", 1000, "*", 1000, kRefused},
        {"404 error page on the transfer", "?mode=status_get&code=404", 1000, "*", 1000, kRefused},
        {"416 on the transfer", "?mode=status_get&code=416", 1000, "*", 1000, kRefused},
        {"500 on the probe", "?mode=status&code=500", 1000, kNoSize, 1000, kRefused},
        {"drop mid-body", "?mode=drop&after=300000", 0, "*", 300000, kUnreachable},
        {"probe announces more than is sent", "?mode=wronglength&size=3000000", 0, "*", 0,
         kRefused},
        {"no length at all", "?mode=nolength", 1000, kNoSize, 1000, kRefused},
        {"connection closed at once", "?mode=close", 1000, kProbeFailed, 1000, kUnreachable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path image = kRoot / "faults" / c.name / "image.qrn";
        fs::remove_all(image.parent_path());
        if (c.stored > 0) {
            fs::create_directories(image.parent_path());
            WriteSidecar(image.string() + ".cfg", kSize);
            WriteBytes(image, content.substr(0, c.stored));
        }
        const Outcome outcome = Download({url + c.query}, image);
        EXPECT_EQ(outcome.how, c.how);
        if (c.error.empty()) {
            EXPECT_EQ(outcome.error, "");
            EXPECT_EQ(ReadBytes(image), content);
        } else {
            if (c.error == "*") {
                EXPECT_NE(outcome.error, "");
            } else {
                EXPECT_EQ(outcome.error, c.error);
            }
            EXPECT_EQ(ReadBytes(image), content.substr(0, c.kept));
            if (c.stored > 0) {
                EXPECT_EQ(ReadSidecar(image.string() + ".cfg"), kSize) << "the record stays";
            }
        }
    }
}

TEST_F(DownloadMgrTest, SizeLimitAndUnreachableServer) {
    struct Case {
        std::int64_t size;
        std::string error;
    };
    for (const Case& c : {Case{kMiB - 1, kNoSize}, Case{kMiB, ""}}) {
        const std::string small = Pattern(c.size);
        const std::string link = Serve("size" + std::to_string(c.size), small);
        const fs::path image = kRoot / "size" / std::to_string(c.size) / "image.qrn";
        fs::remove_all(image.parent_path());
        EXPECT_EQ(Download({link}, image).error, c.error) << c.size;
        if (c.error.empty()) {
            EXPECT_EQ(ReadBytes(image), small);
        }
    }
    const fs::path image = kRoot / "dead" / "image.qrn";
    EXPECT_EQ(Download({testenv::DeadServerUrl() + "/image.bin", url}, image).error, kProbeFailed)
        << "only a zero-rate give-up changes link";
}

void OneZeroSampleStalls(OpenDownloadMgr& mgr) {
    mgr.zero_rate_limit = 1;
}

// With a limit of one, the first sample of an attempt without data gives up.
TEST_F(DownloadMgrTest, ZeroRateGiveUpChangesLinkOnlyAfterAnIdleRetry) {
    const std::string silent = url + "?mode=stall&after=0&seconds=30";
    const fs::path image = kRoot / "stall" / "image.qrn";
    fs::remove_all(image.parent_path());
    const Outcome idle = Download({silent, url}, image, OneZeroSampleStalls);
    EXPECT_EQ(idle.error, "");
    EXPECT_EQ(ReadBytes(image), content);
    EXPECT_EQ(Count(idle.requests, "\"GET\", \"path\": \"/image.bin?mode=stall"), 2)
        << "the first attempt retries its link, the second idle one moves on";

    // Each stalled attempt that received data retries the same link with a resumed range.
    fs::remove_all(image.parent_path());
    const Outcome stalls =
        Download({url + "?mode=stall&after=1048576&seconds=30"}, image, OneZeroSampleStalls);
    EXPECT_EQ(stalls.error, "");
    EXPECT_EQ(ReadBytes(image), content);
    EXPECT_NE(stalls.requests.find("\"range\": \"bytes=1048576-\""), std::string::npos);
    EXPECT_NE(stalls.requests.find("\"range\": \"bytes=2097152-\""), std::string::npos);

    // A link that stays silent through its retry, with none behind it, ends the download.
    fs::remove_all(image.parent_path());
    const Outcome none = Download({silent}, image, OneZeroSampleStalls);
    EXPECT_EQ(none.how, DownloadOutcome::Stalled);
    EXPECT_EQ(none.error, kNoLinkLeft);
}

// Pauses each shorter than the limit, however many, are no stall: one request fetches it all.
TEST_F(DownloadMgrTest, ShortPausesAddUpToNoStall) {
    const fs::path image = kRoot / "pauses" / "image.qrn";
    fs::remove_all(image.parent_path());
    const Outcome outcome = Download({url + "?mode=pieces&size=500000&delay_ms=3500"}, image,
                                     [](OpenDownloadMgr& mgr) { mgr.zero_rate_limit = 2; });
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(ReadBytes(image), content);
    EXPECT_EQ(Count(outcome.requests, "\"GET\""), 1) << outcome.requests;
}

// A record is rewritten only once the old bytes are gone: when they cannot be removed, the old
// record stays and the next run still starts the image afresh.
TEST_F(DownloadMgrTest, ANewRecordNeverCoversOldBytes) {
    const fs::path image = kRoot / "truncate" / "image.qrn";
    fs::remove_all(image.parent_path());
    WriteBytes(image, Pattern(kMiB + 7).substr(5, 500000));
    WriteSidecar(image.string() + ".cfg", kSize + 1);
    {
        const HANDLE held = CreateFileW(image.wstring().c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_NE(Download({url}, image).error, "");
        CloseHandle(held);
    }
    EXPECT_EQ(ReadSidecar(image.string() + ".cfg"), kSize + 1);
    EXPECT_EQ(Download({url}, image).error, "");
    EXPECT_EQ(ReadBytes(image), content);
}

// The SHA-256 of `bytes` in hex, from libsodium directly rather than through the engine's stream.
std::string Sha256Hex(const std::string& bytes) {
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    char hex[2 * sizeof digest + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

// One run of a checked download into `image`, stopped once `stopAt` bytes are stored when that
// is not zero.
struct Checked {
    DownloadOutcome how;
    std::string error;
    std::string log;
    std::string requests;
};
Checked DownloadChecked(const std::string& link, const fs::path& image, const std::string& sha256,
                        std::int64_t stopAt = 0) {
    testenv::Fetch(testenv::ServerUrl() + "/__reset");
    OpenDownloadMgr mgr(MakeLinks({link}), image, sha256);
    mgr.Start();
    if (stopAt > 0) {
        for (int i = 0; i < 400 && mgr.downloaded < stopAt && !mgr.finished; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        mgr.StopAndWait();
    }
    mgr.worker.join();
    return {mgr.Outcome(), mgr.error_text, mgr.LogText(), RequestLog()};
}

// The image is handed on only when its SHA-256 is the configured one, computed while it arrives
// and carried across runs; a damaged image is set aside (the last one only) with its record
// gone, so that the next run starts afresh.
TEST_F(DownloadMgrTest, TheImageIsDoneOnlyWithTheConfiguredDigest) {
    const std::string right = Sha256Hex(content);
    const std::string wrong = Sha256Hex(content + "x");
    std::string flipped = content;
    flipped[1000] = static_cast<char>(~flipped[1000]);
    struct Case {
        const char* name;
        std::string query;
        // Image bytes before the run, with a matching record; empty: none.
        std::string stored;
        // A first run stopped after this many bytes, before the checked one.
        std::int64_t stopFirstAt;
        std::string sha256;
        bool done;
        int gets;
    };
    const std::string pieces = "?mode=pieces&size=65536&delay_ms=20";
    const Case cases[] = {
        {"matching digest", "", "", 0, right, true, 1},
        {"uppercase digest", "", "", 0, boost::to_upper_copy(right), true, 1},
        {"mismatch on a fresh download", "", "", 0, wrong, false, 1},
        {"mirror sends the right length and wrong bytes", "?mode=flip", "", 0, right, false, 1},
        {"resumed from a partial image without a hash state", "", content.substr(0, kMiB), 0, right,
         true, 1},
        {"resumed across two runs", pieces, "", 700000, right, true, 2},
        {"mismatch after a resume across two runs", pieces, "", 700000, wrong, false, 2},
        {"complete at start and right", "", content, 0, right, true, 0},
        {"complete at start with a wrong byte", "", flipped, 0, right, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path image = kRoot / "digest" / c.name / "image.qrn";
        const fs::path record = image.string() + ".cfg";
        const fs::path aside = quorrin_download_mgr::SetAsidePath(image);
        const fs::path state = quorrin_download_mgr::HashStatePath(image);
        fs::remove_all(image.parent_path());
        if (!c.stored.empty()) {
            WriteBytes(image, c.stored);
            WriteSidecar(record, kSize);
        }
        int gets = 0;
        if (c.stopFirstAt > 0) {
            const Checked first = DownloadChecked(url + c.query, image, c.sha256, c.stopFirstAt);
            ASSERT_EQ(first.how, DownloadOutcome::Stopped);
            EXPECT_TRUE(fs::exists(state)) << "the hash state is kept for the next run";
            gets += Count(first.requests, "\"GET\"");
        }
        const Checked run = DownloadChecked(url + c.query, image, c.sha256);
        gets += Count(run.requests, "\"GET\"");
        EXPECT_EQ(gets, c.gets) << run.requests;
        if (c.done) {
            EXPECT_EQ(run.how, DownloadOutcome::Done) << run.error;
            EXPECT_EQ(ReadBytes(image), content);
            EXPECT_FALSE(fs::exists(aside));
            continue;
        }
        EXPECT_EQ(run.how, DownloadOutcome::Damaged) << run.error;
        EXPECT_EQ(run.error, texts::ImageDamaged());
        EXPECT_FALSE(fs::exists(image)) << "a damaged image stays where the installer looks";
        EXPECT_FALSE(fs::exists(record)) << "the next run would resume a damaged image";
        EXPECT_FALSE(fs::exists(state));
        EXPECT_EQ(ReadBytes(aside).size(), size_t(kSize));
        const std::string actual = Sha256Hex(ReadBytes(aside));
        EXPECT_NE(run.log.find(boost::to_lower_copy(c.sha256)), std::string::npos) << run.log;
        EXPECT_NE(run.log.find(actual), std::string::npos) << run.log;
        EXPECT_NE(run.log.find(url + c.query), std::string::npos) << run.log;

        // Another damaged image takes the place of the one set aside before.
        const Checked again = DownloadChecked(url + "?mode=flip&at=7", image, wrong);
        EXPECT_EQ(again.how, DownloadOutcome::Damaged);
        std::string expected = content;
        expected[7] = static_cast<char>(~expected[7]);
        EXPECT_EQ(ReadBytes(aside), expected);
        int files = 0;
        for (const auto& entry : fs::directory_iterator(image.parent_path())) {
            files += entry.path() != aside;
        }
        EXPECT_EQ(files, 0) << "only the last damaged image is kept";
    }
}

// A stop while the worker fetches a share page ends the fetch; the server never answers it.
TEST_F(DownloadMgrTest, StopEndsASharePageFetch) {
    const fs::path image = kRoot / "pagestop" / "image.qrn";
    fs::remove_all(image.parent_path());
    const std::string stalled = url + "?mode=stall&after=0&seconds=30";
    std::string share = testenv::ServerUrl();
    share.replace(share.find("127.0.0.1"), 9, "localhost");
    share += "/__echo?mode=late_silent&answers=1&seconds=30&body=" +
             testenv::UrlEncode("<a href=\"" + stalled + "\">");
    testenv::Fetch(testenv::ServerUrl() + "/__reset");
    auto mgr =
        std::make_unique<OpenDownloadMgr>(MakeLinks({share}, "http://127\\S+seconds=30"), image);
    OneZeroSampleStalls(*mgr);
    mgr->Start();
    // The stalled transfer gives up after one sample and the link's page is fetched again.
    for (int i = 0; i < 200 && Count(RequestLog(), "/__echo") < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(Count(RequestLog(), "/__echo"), 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto asked = std::chrono::steady_clock::now();
    mgr->StopAndWait();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(3));
    EXPECT_TRUE(mgr->finished);
    EXPECT_EQ(mgr->error_text, kUserStop);
    EXPECT_EQ(mgr->Outcome(), DownloadOutcome::Stopped);
}

// A manager whose worker thread cannot be made, as when the system is out of resources.
class NoThreadMgr : public OpenDownloadMgr {
public:
    using OpenDownloadMgr::OpenDownloadMgr;

private:
    boost::thread LaunchWorker() override { throw boost::thread_resource_error(); }
};

TEST_F(DownloadMgrTest, AStartWithoutAThreadStaysFinished) {
    NoThreadMgr mgr(MakeLinks({url}), kRoot / "nothread" / "image.qrn");
    EXPECT_THROW(mgr.Start(), boost::thread_resource_error);
    EXPECT_TRUE(mgr.finished);
}

// Local failures end the download with a text; nothing on disk is removed.
TEST_F(DownloadMgrTest, LocalFailuresEndWithAText) {
    const fs::path base = kRoot / "local";
    fs::remove_all(base);
    // The image's directory is taken by a file.
    WriteBytes(base / "blocked", "a file");
    const Outcome blocked = Download({url}, base / "blocked" / "image.qrn");
    EXPECT_NE(blocked.error, "");
    EXPECT_EQ(blocked.how, DownloadOutcome::LocalError);
    EXPECT_EQ(ReadBytes(base / "blocked"), "a file");
    // The image's path is a directory: its size cannot be read, and it cannot be opened.
    fs::create_directories(base / "isdir" / "image.qrn");
    const Outcome isDir = Download({url}, base / "isdir" / "image.qrn");
    EXPECT_NE(isDir.error, "");
    EXPECT_EQ(isDir.how, DownloadOutcome::LocalError);
    EXPECT_TRUE(fs::is_directory(base / "isdir" / "image.qrn"));
}

// The window's quit: stop, interrupt, join; neither the probe nor the transfer waits for data.
TEST_F(DownloadMgrTest, StopOnASilentConnectionWithinAboutASecond) {
    struct Case {
        const char* name;
        const char* query;
        size_t kept;  // bytes of the served file in the image afterwards
    };
    const Case cases[] = {
        {"silent after some of the body", "?mode=stall&after=500000&seconds=30", 500000},
        {"silent before any answer to the probe", "?mode=silent&seconds=30", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path image = kRoot / "stop" / c.name / "image.qrn";
        fs::remove_all(image.parent_path());
        auto mgr = std::make_unique<OpenDownloadMgr>(MakeLinks({url + c.query}), image);
        mgr->Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        const auto asked = std::chrono::steady_clock::now();
        mgr->stop_requested = true;
        mgr->worker.interrupt();
        mgr->worker.join();
        EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(5));
        EXPECT_TRUE(mgr->finished);
        EXPECT_EQ(mgr->error_text, kUserStop);
        EXPECT_EQ(mgr->Outcome(), DownloadOutcome::Stopped);
        mgr.reset();
        if (c.kept > 0) {
            EXPECT_EQ(ReadBytes(image), content.substr(0, c.kept)) << "what arrived is kept";
            EXPECT_EQ(ReadSidecar(image.string() + ".cfg"), kSize);
        } else {
            EXPECT_FALSE(fs::exists(image));
        }
    }
}

TEST_F(DownloadMgrTest, DeletingARunningManagerStopsAndWaitsForItsWorker) {
    const fs::path image = kRoot / "deleted" / "image.qrn";
    fs::remove_all(image.parent_path());
    auto mgr = std::make_unique<OpenDownloadMgr>(
        MakeLinks({url + "?mode=pieces&size=4096&delay_ms=50"}), image);
    mgr->Start();
    for (int i = 0; i < 100 && mgr->downloaded == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GT(mgr->downloaded, 0);
    mgr.reset();
    // A worker still running would hold the image open: it could not be removed.
    boost::system::error_code error;
    fs::remove(image, error);
    EXPECT_FALSE(error) << error.message();
}

// Sets the C runtime's time zone, which is what local time is computed with, and restores the
// system's on destruction.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) { Set(zone); }
    ~ScopedTimeZone() {
        _putenv("TZ=");
        _tzset();
    }
    void Set(const char* zone) {
        _putenv((std::string("TZ=") + zone).c_str());
        _tzset();
    }
};

// Local time going back in the middle of a download (the autumn clock change, a time sync).
TEST_F(DownloadMgrTest, RatesAndStallsIgnoreTheLocalClockGoingBack) {
    ScopedTimeZone zone("QRN0");
    const fs::path image = kRoot / "clock" / "image.qrn";
    fs::remove_all(image.parent_path());
    OpenDownloadMgr mgr(MakeLinks({url + "?mode=pieces&size=65536&delay_ms=150"}), image);
    mgr.Start();
    for (int i = 0; i < 100 && mgr.downloaded == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    zone.Set("QRN3");
    mgr.worker.join();
    EXPECT_EQ(mgr.error_text, "");
    EXPECT_EQ(ReadBytes(image), content);
    EXPECT_GT(mgr.current_rate, 0) << "rates are still sampled";
    EXPECT_GT(mgr.average_rate, 0);
    EXPECT_LT(mgr.average_rate, static_cast<double>(kSize)) << "bytes per millisecond";
}

TEST_F(DownloadMgrTest, SpeedFigureIsFivePointThreeTimesTheAverageRate) {
    OpenDownloadMgr mgr(MakeLinks({url}), kRoot / "figure" / "image.qrn");
    mgr.average_rate = 100;
    mgr.downloaded = 3 * kMiB;
    double done = 0, total = 0, speed = 0;
    mgr.QueryProgress(done, total, speed);
    EXPECT_DOUBLE_EQ(speed, 530);
    EXPECT_DOUBLE_EQ(done, 3);
    EXPECT_TRUE(mgr.finished) << "finished before Start";
    EXPECT_TRUE(mgr.IsFinished());
}

}  // namespace
