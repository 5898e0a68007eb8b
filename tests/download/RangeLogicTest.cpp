// The bookkeeping of a download in pieces: the record of finished ranges, how ranges are shared
// among connections, and which range answers are taken.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "download/DownloadDecisions.h"
#include "download/RangeMap.h"
#include "download/SegmentScheduler.h"

namespace {

using Range = RangeMap::Range;
using Ranges = std::vector<Range>;

TEST(RangeMap, AddMergesTouchingAndOverlappingRanges) {
    struct Case {
        const char* name;
        Ranges added;
        Ranges finished;
        std::int64_t prefix;
    };
    const Case cases[] = {
        {"apart, out of order", {{50, 60}, {10, 20}}, {{10, 20}, {50, 60}}, 0},
        {"touching", {{0, 10}, {10, 20}}, {{0, 20}}, 20},
        {"bridging several", {{0, 5}, {10, 15}, {20, 25}, {3, 21}}, {{0, 25}}, 25},
        {"inside another", {{0, 50}, {10, 20}}, {{0, 50}}, 50},
        {"clipped to the image, empty ignored",
         {{90, 150}, {-5, 3}, {40, 40}, {7, 6}},
         {{0, 3}, {90, 100}},
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RangeMap map(100);
        for (const Range& r : c.added) {
            map.Add(r.begin, r.end);
        }
        EXPECT_EQ(map.Finished(), c.finished);
        EXPECT_EQ(map.Prefix(), c.prefix);
        std::int64_t done = 0;
        for (const Range& r : c.finished) {
            done += r.end - r.begin;
        }
        EXPECT_EQ(map.Done(), done);
    }
    RangeMap map(100);
    map.Add(10, 20);
    map.Add(50, 100);
    EXPECT_EQ(map.Missing(), (Ranges{{0, 10}, {20, 50}}));
    EXPECT_FALSE(map.Whole());
    map.Add(0, 50);
    EXPECT_TRUE(map.Whole());
    EXPECT_TRUE(map.Missing().empty());
}

TEST(RangeMap, RecordRoundTripsAndRefusesWhatItNeverWrites) {
    RangeMap map(4831838208);
    map.Add(0, 1048576);
    map.Add(3000000000, 3000065536);
    const std::optional<RangeMap> back = RangeMap::Restore(map.Save());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Total(), map.Total());
    EXPECT_EQ(back->Finished(), map.Finished());

    const char* bad[] = {
        "",
        "quorrin-ranges 2 100\n",
        "quorrin-ranges 1\n",
        "quorrin-ranges 1 100 7\n",
        "quorrin-ranges 1 100\n0 10 12\n",
        "quorrin-ranges 1 100\n10 5\n",
        "quorrin-ranges 1 100\n0 10\n10 20\n",
        "quorrin-ranges 1 100\n20 30\n0 10\n",
        "quorrin-ranges 1 100\n90 101\n",
        "quorrin-ranges 1 100\n0 1,0\n",
        "quorrin-ranges 1 -1\n",
    };
    for (const char* text : bad) {
        EXPECT_FALSE(RangeMap::Restore(text)) << text;
    }
}

TEST(SegmentScheduler, SplitsForEveryConnectionAndStealsHalvesAtTheEnd) {
    const std::int64_t kMiB = 1048576;
    const std::int64_t kMin = kMiB / 4;
    SegmentScheduler scheduler({{0, 8 * kMiB}}, 4, kMin);
    std::vector<Range> taken;
    for (int id = 0; id < 4; ++id) {
        const std::optional<Range> piece = scheduler.Take(id);
        ASSERT_TRUE(piece);
        taken.push_back(*piece);
    }
    EXPECT_EQ(
        taken,
        (Ranges{{0, 2 * kMiB}, {2 * kMiB, 4 * kMiB}, {4 * kMiB, 6 * kMiB}, {6 * kMiB, 8 * kMiB}}));
    // Connection 3 finishes first and takes the back half of the largest rest, connection 1's,
    // whose end moves down to where that half begins.
    scheduler.Advance(0, kMiB);
    scheduler.Advance(1, 2 * kMiB + kMiB / 2);
    scheduler.Advance(2, 5 * kMiB);
    scheduler.Advance(3, 8 * kMiB);
    EXPECT_FALSE(scheduler.Busy(3));
    EXPECT_EQ(scheduler.Take(3), (Range{3 * kMiB + kMiB / 4, 4 * kMiB}));
    EXPECT_EQ(scheduler.End(1), 3 * kMiB + kMiB / 4);

    // A connection that fails gives its rest back; the next free one takes that first.
    scheduler.Release(0);
    EXPECT_FALSE(scheduler.Busy(0));
    scheduler.Advance(2, 6 * kMiB);
    EXPECT_EQ(scheduler.Take(2), (Range{kMiB, 2 * kMiB}));

    // Rests below two least pieces are not split: the free connection waits for the end.
    scheduler.Advance(1, 3 * kMiB);
    scheduler.Advance(2, 2 * kMiB - kMin);
    scheduler.Advance(3, 4 * kMiB - kMin);
    EXPECT_FALSE(scheduler.Take(0));
    EXPECT_FALSE(scheduler.AllDone());
    scheduler.Advance(1, 3 * kMiB + kMiB / 4);
    scheduler.Advance(2, 2 * kMiB);
    scheduler.Advance(3, 4 * kMiB);
    EXPECT_TRUE(scheduler.AllDone());
}

TEST(SegmentScheduler, SmallOrScatteredGapsAreNotCutBelowTheLeastPiece) {
    // Three gaps of a resumed image for four connections: only the large one is halved.
    SegmentScheduler scheduler({{0, 100}, {500, 900}, {950, 1000}}, 4, 100);
    std::vector<Range> taken;
    for (int id = 0; id < 4; ++id) {
        if (const std::optional<Range> piece = scheduler.Take(id)) {
            taken.push_back(*piece);
        }
    }
    EXPECT_EQ(taken, (Ranges{{0, 100}, {500, 700}, {700, 900}, {950, 1000}}));
}

TEST(DownloadDecisions, RangeAnswerMustNameExactlyTheBytesAsked) {
    struct Case {
        long status;
        const char* contentRange;
        bool taken;
    };
    const Case cases[] = {
        {206, "bytes 100-199/1000", true},
        {206, " bytes 100-199/1000 ", true},
        {200, "bytes 100-199/1000", false},
        {206, "bytes 101-199/1000", false},
        {206, "bytes 100-999/1000", false},
        {206, "bytes 100-199/1001", false},
        {206, "bytes 100-199/*", false},
        {206, "bytes 100-199/1000x", false},
        {206, "", false},
        {416, "bytes */1000", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RangeAnswered(c.status, c.contentRange, 100, 199, 1000), c.taken)
            << c.status << " " << c.contentRange;
    }
}

}  // namespace
