#include <gtest/gtest.h>

#include <cstdio>
#include <locale>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/NumberFormat.h"
#include "download/DownloadDecisions.h"
#include "download/DownloadSidecar.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

namespace {

std::locale GroupingLocale() {
    NumberFormat format;
    format.thousandsSep = L',';
    format.grouping = "\3";
    return LocaleWithNumberFormat(std::locale::classic(), format);
}

// Restores the global locale a test changed.
struct GlobalLocale {
    explicit GlobalLocale(const std::locale& locale) : saved(std::locale::global(locale)) {}
    ~GlobalLocale() { std::locale::global(saved); }
    std::locale saved;
};

constexpr std::int64_t kMiB = 1048576;

TEST(DownloadDecisions, ResumeFromRecordAndStoredSize) {
    using R = ResumeAction;
    struct Case {
        const char* name;
        std::optional<std::int64_t> recorded, stored;
        R action;
    };
    const std::int64_t remote = 5 * kMiB;
    const Case cases[] = {
        {"complete image, matching record", remote, remote, R::Done},
        {"partial image, matching record", remote, kMiB, R::Resume},
        {"image larger than the remote file", remote, remote + 1, R::Restart},
        {"record of another size", remote - 1, kMiB, R::Restart},
        {"no image", remote, std::nullopt, R::Restart},
        {"empty image", remote, 0, R::Restart},
        {"no usable record", std::nullopt, kMiB, R::Restart},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideResume(c.recorded, remote, c.stored), c.action) << c.name;
    }
}

TEST(DownloadDecisions, BodyAcceptedOnlyWhereItContinuesTheImage) {
    using B = BodyAction;
    const std::int64_t total = 2 * kMiB;
    struct Case {
        long status;
        const char* contentRange;
        std::int64_t offset;
        std::int64_t length;
        B action;
    };
    const Case cases[] = {
        {200, "", 0, total, B::Append},
        {200, "", 0, -1, B::Append},
        {200, "", 0, 512, B::Refuse},
        {200, "", kMiB, total, B::RestartFromZero},
        // A page instead of the rest (a refused hot link, an expired address) keeps the image.
        {200, "", kMiB, 512, B::Refuse},
        {200, "", kMiB, -1, B::Refuse},
        {206, "bytes 1048576-2097151/2097152", kMiB, kMiB, B::Append},
        {206, "bytes 0-2097151/2097152", kMiB, total, B::Refuse},
        {206, "bytes 1048576-2097151/*", kMiB, kMiB, B::Append},
        {206, "", kMiB, kMiB, B::Refuse},
        {206, "bytes */2097152", kMiB, 0, B::Refuse},
        {416, "bytes */2097152", kMiB, 0, B::Refuse},
        {404, "", 0, 512, B::Refuse},
        {500, "", kMiB, 512, B::Refuse},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideBody(c.status, c.contentRange, c.offset, c.length, total), c.action)
            << c.status << " " << c.contentRange << " @" << c.offset << " length " << c.length;
    }
}

TEST(DownloadDecisions, RangeIsPlainDigitsUnderAGroupingLocale) {
    const GlobalLocale grouping(GroupingLocale());
    EXPECT_EQ(RangeValue(kMiB), "1048576-");
    EXPECT_EQ(RangeValue(3263823872LL), "3263823872-");
}

TEST(DownloadDecisions, RatesAndSamplesFromClockValues) {
    EXPECT_DOUBLE_EQ(RateOver(1000, 999), 1000);  // within the first millisecond: no division by 0
    EXPECT_DOUBLE_EQ(RateOver(1000, 2999), 500);  // whole milliseconds
    EXPECT_FALSE(SampleDue(1999999));
    EXPECT_TRUE(SampleDue(2000000));

    // Only a run of zero samples as long as the limit gives up; any data ends the run.
    std::int32_t count = 0;
    for (int i = 0; i < 19; ++i) {
        EXPECT_FALSE(CountSample(0.0, count, kZeroRateLimit));
    }
    EXPECT_FALSE(CountSample(100.0, count, kZeroRateLimit));
    for (int i = 0; i < 19; ++i) {
        EXPECT_FALSE(CountSample(0.0, count, kZeroRateLimit)) << "a new run, sample " << i;
    }
    EXPECT_TRUE(CountSample(0.0, count, kZeroRateLimit));
    EXPECT_FALSE(CountSample(1e-9, count, kZeroRateLimit)) << "any data at all ends a stall";
}

TEST(DownloadDecisions, NextLinkOnlyAfterALaterAttemptWithoutData) {
    EXPECT_FALSE(AdvanceLink(0)) << "attempt that received data, or the first attempt";
    EXPECT_TRUE(AdvanceLink(1));
    EXPECT_TRUE(AdvanceLink(2));
}

TEST(DownloadSidecar, ExactBytes) {
    const ScratchFolder folder;
    const std::string path = folder.File("sidecar_bytes.cfg");
    WriteSidecar(path, kMiB);
    EXPECT_EQ(ReadBytes(path),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
              "<brenic><full_size>1048576</full_size></brenic>");
    {
        const GlobalLocale grouping(GroupingLocale());
        WriteSidecar(path, 3263823872LL);
        EXPECT_EQ(ReadBytes(path),
                  "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                  "<brenic><full_size>3,263,823,872</full_size></brenic>");
        EXPECT_EQ(ReadSidecar(path), 3263823872LL);
    }
    EXPECT_EQ(ReadSidecar(path), 3263823872LL) << "grouped under a locale the user left";
}

TEST(DownloadSidecar, ReadingCases) {
    struct Case {
        const char* name;
        const char* content;
        std::optional<std::int64_t> size;  // none: the reader throws
    };
    const Case cases[] = {
        {"extra elements and attributes",
         "<?xml version=\"1.0\"?><brenic a=\"1\"><x>y</x><full_size>2097152</full_size></brenic>",
         2097152},
        {"not XML", "garbage", std::nullopt},
        {"torn", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<brenic><full_si", std::nullopt},
        {"missing key", "<brenic><other>1</other></brenic>", std::nullopt},
        {"not a number", "<brenic><full_size>12ab</full_size></brenic>", std::nullopt},
        {"grouped with points", "<brenic><full_size>3.263.823.872</full_size></brenic>",
         3263823872},
        {"grouped with blanks", "<brenic><full_size>4 194 304</full_size></brenic>", 4194304},
        {"a decimal number", "<brenic><full_size>12.5</full_size></brenic>", std::nullopt},
        {"a group of two", "<brenic><full_size>1,23</full_size></brenic>", std::nullopt},
        {"a group of four", "<brenic><full_size>1,2345</full_size></brenic>", std::nullopt},
        {"mixed separators", "<brenic><full_size>1,234.567</full_size></brenic>", std::nullopt},
        {"a leading group of four", "<brenic><full_size>1234,567</full_size></brenic>",
         std::nullopt},
        {"a separator at the end", "<brenic><full_size>1,234,</full_size></brenic>", std::nullopt},
        {"empty file", "", std::nullopt},
    };
    const ScratchFolder folder;
    const std::string path = folder.File("sidecar_read.cfg");
    for (const Case& c : cases) {
        WriteBytes(path, c.content);
        if (c.size) {
            EXPECT_EQ(ReadSidecar(path), *c.size) << c.name;
        } else {
            EXPECT_THROW(ReadSidecar(path), std::exception) << c.name;
        }
    }
    EXPECT_THROW(ReadSidecar(folder.File("no_such_sidecar.cfg")), std::exception);
}

}  // namespace
