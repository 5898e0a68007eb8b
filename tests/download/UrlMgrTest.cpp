#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <deque>
#include <stdexcept>
#include <string>

#include "base/CloudConfig.h"
#include "download/UrlMgr.h"
#include "tests/support/TestEnv.h"

namespace {

using List = std::deque<std::string>;

const char kNoLinkLeft[] =
    "\xce\xde\xb7\xa8\xbb\xf1\xc8\xa1\xd3\xd0\xd0\xa7\xc1\xb4\xbd\xd3\xa3\xac "
    "\xc1\xb4\xbd\xd3\xd2\xd1\xb3\xa2\xca\xd4\xcd\xea!";

// A share page on the loopback server, addressed through the cloud-drive domain.
std::string SharePage(const std::string& body) {
    std::string server = testenv::ServerUrl();
    server.replace(server.find("127.0.0.1"), 9, "localhost");
    return server + "/__echo?body=" + testenv::UrlEncode(body);
}

int PageFetches() {
    const std::string log = testenv::Fetch(testenv::ServerUrl() + "/__requests");
    int count = 0;
    for (auto at = log.find("/__echo"); at != std::string::npos; at = log.find("/__echo", at + 1)) {
        ++count;
    }
    return count;
}

std::string Failure(UrlMgr& mgr, bool advance) {
    try {
        mgr.GetUrl(advance);
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "(no failure)";
}

class UrlMgrTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::Fetch(testenv::ServerUrl() + "/__reset"); }
};

const char kPageWithLink[] =
    "<a href=\"http://dl.localhost.test/f?a=1&amp;b=2&amp;amp;c=3&id=private\">get</a>";
const char kResolved[] = "http://dl.localhost.test/f?a=1&b=2&amp;c=3&id=private";

TEST_F(UrlMgrTest, DirectLinksWalkOneAtATime) {
    UrlMgr mgr(DefaultLinkRegex());
    mgr.SelectList({"http://a/1"});
    EXPECT_EQ(mgr.GetUrl(false), "http://a/1");
    EXPECT_EQ(Failure(mgr, true), kNoLinkLeft);
    EXPECT_EQ(Failure(mgr, false), kNoLinkLeft);
    EXPECT_EQ(Failure(mgr, true), kNoLinkLeft);
}

TEST_F(UrlMgrTest, MatchResolvesAfreshAndKeepsTheList) {
    UrlMgr mgr(DefaultLinkRegex());
    const List list = {SharePage(kPageWithLink), SharePage("B"), "http://c/direct"};
    mgr.SelectList(list);
    EXPECT_EQ(mgr.GetUrl(false), kResolved);
    EXPECT_EQ(mgr.GetUrl(false), kResolved);
    EXPECT_EQ(mgr.Links(), list);
    EXPECT_EQ(PageFetches(), 2);
}

TEST_F(UrlMgrTest, NoMatchFallsBackToTheFirstDirectLink) {
    UrlMgr mgr(DefaultLinkRegex());
    mgr.SelectList({SharePage("nothing here"), SharePage(kPageWithLink), "http://c/direct",
                    SharePage(kPageWithLink)});
    EXPECT_EQ(mgr.GetUrl(false), "http://c/direct");
    EXPECT_EQ(mgr.Links(), (List{"http://c/direct", SharePage(kPageWithLink)}));
    EXPECT_EQ(PageFetches(), 1) << "the cloud-drive links dropped are not fetched";
    EXPECT_EQ(mgr.GetUrl(true), kResolved);
}

TEST_F(UrlMgrTest, OnlyCloudDriveLinksLeftWithoutMatch) {
    UrlMgr mgr(DefaultLinkRegex());
    mgr.SelectList({SharePage("nothing"), SharePage(kPageWithLink)});
    EXPECT_EQ(Failure(mgr, false), kNoLinkLeft);
    EXPECT_TRUE(mgr.Links().empty());
}

TEST_F(UrlMgrTest, UnreachablePageCountsAsNoMatch) {
    UrlMgr mgr(DefaultLinkRegex());
    std::string dead = testenv::DeadServerUrl();
    dead.replace(dead.find("127.0.0.1"), 9, "localhost");
    mgr.SelectList({dead + "/page", "http://c/direct"});
    EXPECT_EQ(mgr.GetUrl(false), "http://c/direct");
}

TEST_F(UrlMgrTest, CaptureGroupStillYieldsTheWholeMatch) {
    UrlMgr mgr("http://(\\S+)=private");
    mgr.SelectList({SharePage("x http://h/y?k=private z")});
    EXPECT_EQ(mgr.GetUrl(false), "http://h/y?k=private");
}

TEST_F(UrlMgrTest, InvalidExpressionFails) {
    UrlMgr mgr("http://(unclosed");
    mgr.SelectList({SharePage(kPageWithLink)});
    EXPECT_THROW(mgr.GetUrl(false), boost::regex_error);
    EXPECT_EQ(PageFetches(), 0);
}

}  // namespace
