#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <sstream>
#include <string>

#include "app/CloudConfig.h"
#include "app/FetchConfig.h"
#include "app/HttpGet.h"
#include "tests/support/TestEnv.h"

namespace {

using List = std::deque<std::string>;

constexpr char kZeroCounts[] =
    "[WINXPWP]\nurlcount=0\n[WIN7WP]\nurlcount=0\n[WINXP]\nurlcount=0\n[WIN7]\nurlcount=0\n";

struct ConfigCase {
    std::string name;
    std::string document;
    bool ok;
    List xp;
    List win7;
    // Empty: the default expression.
    std::string regex;
    // How the server delivers the body: "" plain, or a query suffix such as "&mode=pieces&size=1".
    std::string delivery = "";
};

std::string Group(const char* section, const std::string& body) {
    return std::string("[") + section + "]\n" + body;
}

const ConfigCase kCases[] = {
    {"all counts zero, no BAIDU section", kZeroCounts, true, {}, {}, ""},
    {"count larger than the keys present",
     Group("WINXPWP", "urlcount=2\nurl1=http://a/1\nurl3=http://a/3\n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n"),
     false,
     {"http://a/1"},
     {},
     ""},
    {"count smaller than the keys present",
     Group("WINXPWP", "urlcount=1\nurl1=http://a/1\nurl2=http://a/2\n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n"),
     true,
     {"http://a/1"},
     {},
     ""},
    {"blanks around keys and values",
     Group("WINXPWP", "  urlcount =  1 \n url1\t=  http://a/1  \n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n") + "[BAIDU]\n regex =  x+y  \n",
     true,
     {"http://a/1"},
     {},
     "x+y"},
    {"count with trailing letters",
     Group("WINXPWP", "urlcount=1abc\nurl1=http://a/1\n") + Group("WIN7WP", "urlcount=0\n") +
         Group("WINXP", "urlcount=0\n") + Group("WIN7", "urlcount=0\n"),
     false,
     {},
     {},
     ""},
    {"negative count",
     Group("WINXPWP", "urlcount=-1\nurl1=http://a/1\n") + Group("WIN7WP", "urlcount=0\n") +
         Group("WINXP", "urlcount=0\n") + Group("WIN7", "urlcount=0\n"),
     false,
     {"http://a/1"},
     {},
     ""},
    {"a missing count",
     Group("WINXPWP", "urlcount=0\n") + Group("WIN7WP", "urlcount=0\n"),
     false,
     {},
     {},
     ""},
    {"both groups of both images, in order",
     Group("WIN7", "urlcount=1\nurl1=http://w7/second\n") +
         Group("WINXP", "urlcount=2\nurl2=http://xp/second-2\nurl1=http://xp/second-1\n") +
         Group("WIN7WP", "urlcount=2\nurl1=http://w7/first-1\nurl2=http://w7/first-2\n") +
         Group("WINXPWP", "urlcount=1\nurl1=http://xp/first\n") + "[OTHER]\nurlcount=9\n",
     true,
     {"http://xp/first", "http://xp/second-1", "http://xp/second-2"},
     {"http://w7/first-1", "http://w7/first-2", "http://w7/second"},
     ""},
    {"expression given",
     std::string(kZeroCounts) +
         "; comment\n# another\n\n[BAIDU]\nregex=http://\\S+pan\\S+=private?\n",
     true,
     {},
     {},
     "http://\\S+pan\\S+=private?"},
    {"BAIDU section without regex",
     std::string(kZeroCounts) + "[BAIDU]\nother=1\n",
     true,
     {},
     {},
     ""},
    {"8-bit text kept as sent",
     Group("WINXPWP", "urlcount=1\nurl1=http://a/\xd6\xd0\xce\xc4.qrn\n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n"),
     true,
     {"http://a/\xd6\xd0\xce\xc4.qrn"},
     {},
     ""},
    {"a line without equals sign", std::string(kZeroCounts) + "garbage line\n", false, {}, {}, ""},
    {"a duplicate section", std::string(kZeroCounts) + "[WIN7]\nx=1\n", false, {}, {}, ""},
    {"body in one-byte pieces",
     Group("WINXPWP", "urlcount=2\nurl1=http://a/1\nurl2=http://a/2\n") +
         Group("WIN7WP", "urlcount=1\nurl1=http://b/1\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n") + "[BAIDU]\nregex=r\n",
     true,
     {"http://a/1", "http://a/2"},
     {"http://b/1"},
     "r",
     "&mode=pieces&size=1"},
    {"body in pieces larger than one read",
     Group("WINXPWP", "urlcount=1\nurl1=http://a/" + std::string(3000, 'x') + "\n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n"),
     true,
     {"http://a/" + std::string(3000, 'x')},
     {},
     "",
     "&mode=pieces&size=700&delay_ms=5"},
    {"an HTML error page", kZeroCounts, false, {}, {}, "", "&mode=status&code=404"},
    {"empty body", "", false, {}, {}, ""},
};

class FetchConfigCases : public testing::TestWithParam<ConfigCase> {};

TEST_P(FetchConfigCases, FillsTheRecordAsTheDocumentSays) {
    const ConfigCase& c = GetParam();
    ASSERT_FALSE(testenv::ServerUrl().empty()) << "runs under the test server";
    CloudConfig config;
    const std::string url =
        testenv::ServerUrl() + "/__echo?body=" + testenv::UrlEncode(c.document) + c.delivery;
    EXPECT_EQ(FetchConfigFrom(url, config), c.ok);
    EXPECT_EQ(config.xpUrls, c.xp);
    EXPECT_EQ(config.win7Urls, c.win7);
    if (c.ok) {
        EXPECT_EQ(config.linkRegex, c.regex.empty() ? DefaultLinkRegex() : c.regex);
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, FetchConfigCases, testing::ValuesIn(kCases),
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
    g_cloudConfig = CloudConfig{};
    EXPECT_TRUE(FetchConfig()) << host;
    EXPECT_EQ(g_cloudConfig.xpUrls, std::deque<std::string>{"http://h/xp"});
    SetEnvironmentVariableA("QUORRIN_CONFIG_HOST", nullptr);
}

TEST(FetchConfig, NoServerFails) {
    // Without the runner's dead address the fetch would fail on a malformed one and prove nothing.
    ASSERT_FALSE(testenv::DeadServerUrl().empty()) << "runs under the test server";
    CloudConfig config;
    EXPECT_FALSE(FetchConfigFrom(testenv::DeadServerUrl() + "/kestrin_1_0.ini", config));
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
    HttpGet(echo + "&mode=pieces&size=3&delay_ms=200", whole, {300, 1000});
    EXPECT_EQ(whole.str(), "abcdefghij") << "a slow body within the limits arrives whole";
}

}  // namespace
