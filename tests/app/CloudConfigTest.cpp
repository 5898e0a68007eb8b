#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <sstream>
#include <string>

#include "app/FetchConfig.h"
#include "base/CloudConfig.h"
#include "base/HttpGet.h"
#include "tests/app/ConfigCases.h"
#include "tests/support/TestEnv.h"

namespace {

using testcases::ConfigCase;
using testcases::kConfigCases;

class FetchConfigCases : public testing::TestWithParam<ConfigCase> {};

TEST_P(FetchConfigCases, FillsTheRecordAsTheDocumentSays) {
    const ConfigCase& c = GetParam();
    ASSERT_FALSE(testenv::ServerUrl().empty()) << "runs under the test server";
    CloudConfig config;
    const std::string url =
        testenv::ServerUrl() + "/__echo?body=" + testenv::UrlEncode(c.document) + c.delivery;
    EXPECT_EQ(FetchConfigFrom(url, "", config),
              c.ok ? ConfigStatus::Fetched : ConfigStatus::Unavailable);
    EXPECT_EQ(config.xpUrls, c.xp);
    EXPECT_EQ(config.win7Urls, c.win7);
    if (c.ok) {
        EXPECT_EQ(config.linkRegex, c.regex.empty() ? DefaultLinkRegex() : c.regex);
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, FetchConfigCases, testing::ValuesIn(kConfigCases),
                         [](const testing::TestParamInfo<ConfigCase>& info) {
                             std::string name;
                             for (char ch : info.param.name)
                                 name += isalnum(ch) ? ch : '_';
                             return name;
                         });

TEST(FetchConfig, TheEnvironmentNamesTheHostOnlyWhenItIsAPlainHost) {
    ASSERT_FALSE(testenv::ServerUrl().empty()) << "runs under the test server";
    ASSERT_FALSE(testenv::DocRoot().empty()) << "runs under the test server";
    const struct {
        const wchar_t* host;
        bool valid;
    } hosts[] = {
        {L"127.0.0.1:18080", true},
        {L"config.example-site.cn", true},
        {L"[::1]:80", false},
        {L"", false},
        {L"a/b", false},
        {L"a b", false},
        {L"a\"b", false},
        {L"h?x=1", false},
        {L"user@h", false},
    };
    for (const auto& h : hosts)
        EXPECT_EQ(IsConfigHost(h.host), h.valid) << testenv::Utf8(h.host);

    const std::string document =
        "[WINXPWP]\nurlcount=1\nurl1=http://h/xp\n[WIN7WP]\nurlcount=0\n[WINXP]\nurlcount=0\n"
        "[WIN7]\nurlcount=0\n";
    FILE* file = _wfopen((testenv::DocRoot() + L"\\kestrin_1_0.ini").c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(document.data(), 1, document.size(), file);
    std::fclose(file);
    const std::string host = testenv::ServerUrl().substr(7);
    SetEnvironmentVariableA("QUORRIN_CONFIG_HOST", host.c_str());
    CloudConfig config;
    EXPECT_EQ(FetchConfig("", config), ConfigStatus::Fetched) << host;
    EXPECT_EQ(config.xpUrls, std::deque<std::string>{"http://h/xp"});
    SetEnvironmentVariableA("QUORRIN_CONFIG_HOST", nullptr);
}

TEST(FetchConfig, NoServerFails) {
    // Without the runner's dead address the fetch would fail on a malformed one and prove nothing.
    ASSERT_FALSE(testenv::DeadServerUrl().empty()) << "runs under the test server";
    CloudConfig config;
    EXPECT_EQ(FetchConfigFrom(testenv::DeadServerUrl() + "/kestrin_1_0.ini", "", config),
              ConfigStatus::Unavailable);
    EXPECT_TRUE(config.xpUrls.empty());
    EXPECT_TRUE(config.win7Urls.empty());
}

// A server that accepts and then says nothing ends the fetch at its limits, or at a stop, with
// what had arrived; it stays silent for 30 s.
TEST(HttpGet, ASilentServerEndsTheFetchAtItsLimitsOrAtAStop) {
    const std::string echo = testenv::ServerUrl() + "/__echo?body=abcdefghij";
    const auto start = std::chrono::steady_clock::now();
    const auto since = [&start] { return std::chrono::steady_clock::now() - start; };
    const struct {
        const char* name;
        std::string url;
        HttpLimits limits;
        bool stop;  // asked to stop after 300 ms
        std::string body;
    } cases[] = {
        {"silent before any answer", echo + "&mode=silent&seconds=30", {300, 300}, false, ""},
        {"silent after part of the body",
         echo + "&mode=stall&after=4&seconds=30",
         {300, 300},
         false,
         "abcd"},
        {"stopped", echo + "&mode=stall&after=4&seconds=30", {60000, 60000}, true, "abcd"},
    };
    for (const auto& c : cases) {
        std::ostringstream body;
        const auto begun = since();
        HttpGet(c.url, body, c.limits,
                [&] { return c.stop && since() - begun > std::chrono::milliseconds(300); });
        EXPECT_LT(since() - begun, std::chrono::seconds(5)) << c.name;
        EXPECT_EQ(body.str(), c.body) << c.name;
    }
    std::ostringstream whole;
    EXPECT_EQ(HttpGet(echo + "&mode=pieces&size=3&delay_ms=200", whole, {300, 1000}),
              HttpResult::Complete);
    EXPECT_EQ(whole.str(), "abcdefghij") << "a slow body within the limits arrives whole";
}

// Nothing from the network grows the process without end: an endless body is cut at the cap,
// one that trickles in at the deadline for the whole fetch, however steadily it comes.
TEST(HttpGet, AnEndlessOrTricklingBodyEndsAtItsCapOrItsDeadline) {
    const std::string endless = testenv::ServerUrl() + "/__echo?body=abcdefgh&mode=endless";
    const struct {
        const char* name;
        std::string url;
        HttpLimits limits;
        HttpResult result;
        size_t most;  // body bytes kept at the most
    } cases[] = {
        {"endless", endless, {10000, 10000, 60000, 100000}, HttpResult::TooLarge, 100000},
        {"a byte every 200 ms",
         endless + "&delay_ms=200",
         {10000, 10000, 1500, 100000},
         HttpResult::TooSlow,
         10},
        {"no length, ended by the close",
         testenv::ServerUrl() + "/__echo?body=abcdefgh&mode=nolength",
         {10000, 10000, 60000, 100000},
         HttpResult::Complete,
         8},
        {"exactly the cap",
         testenv::ServerUrl() + "/__echo?body=abcdefgh",
         {10000, 10000, 60000, 8},
         HttpResult::Complete,
         8},
    };
    for (const auto& c : cases) {
        std::ostringstream body;
        const auto begun = std::chrono::steady_clock::now();
        EXPECT_EQ(HttpGet(c.url, body, c.limits), c.result) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(5)) << c.name;
        EXPECT_LE(body.str().size(), c.most) << c.name;
        EXPECT_GT(body.str().size(), 0u) << c.name;
    }
}

TEST(FetchConfig, AnEndlessDocumentIsNoDocument) {
    CloudConfig config;
    const std::string endless = testenv::ServerUrl() +
                                "/__echo?body=" + testenv::UrlEncode("[WINXPWP]\nurlcount=0\n") +
                                "&mode=endless";
    EXPECT_EQ(FetchConfigFrom(endless, "", config), ConfigStatus::Unavailable);
}

}  // namespace
