#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "Deployment.h"
#include "base/CloudConfig.h"
#include "download/EngineTexts.h"
#include "download/UrlMgr.h"

namespace {

using List = std::deque<std::string>;

// A share link: it names the cloud-drive domain, so the list resolves it through its page.
std::string Share(const std::string& name) {
    return std::string("http://") + deployment::kCloudDomain + "/s/" + name;
}

// Serves share pages from a table, unknown links as the empty page a failed fetch gives, and
// records every fetch.
struct FakePages {
    std::map<std::string, std::string> pages;
    std::vector<std::string> fetched;

    UrlMgr Manager(const std::string& linkRegex = DefaultLinkRegex()) {
        return UrlMgr(linkRegex, [this](const std::string& url) {
            fetched.push_back(url);
            const auto page = pages.find(url);
            return page == pages.end() ? std::string() : page->second;
        });
    }
};

constexpr char kNoLink[] = "(no link)";

// GetUrl's answer, or kNoLink when it reports that no link is left.
std::string Answer(UrlMgr& mgr, bool advance) {
    try {
        return mgr.GetUrl(advance);
    } catch (const std::runtime_error& failure) {
        EXPECT_EQ(failure.what(), texts::NoLinkLeft());
        return kNoLink;
    }
}

const char kPageWithLink[] =
    "<a href=\"http://dl.localhost.test/f?a=1&amp;b=2&amp;amp;c=3&id=private\">get</a>";
const char kResolved[] = "http://dl.localhost.test/f?a=1&b=2&amp;c=3&id=private";

// The list without the network: which link each call gives, which pages it fetched for it, and
// what is left of the list afterwards.
TEST(UrlMgrList, ResolvesShareLinksThroughTheirPagesAndFallsBack) {
    struct Step {
        bool advance;
        std::string answer;
        std::vector<std::string> fetched;
    };
    const struct {
        const char* name;
        List list;
        std::vector<Step> steps;
        List left;
    } cases[] = {
        {"direct links walk one at a time",
         {"http://a/1", "http://a/2"},
         {{false, "http://a/1", {}},
          {true, "http://a/2", {}},
          {true, kNoLink, {}},
          {false, kNoLink, {}}},
         {}},
        {"a match resolves afresh on every call and keeps the list",
         {Share("good"), Share("none"), "http://c/direct"},
         {{false, kResolved, {Share("good")}}, {false, kResolved, {Share("good")}}},
         {Share("good"), Share("none"), "http://c/direct"}},
        {"no match drops the share links up to the first direct one",
         {Share("none"), Share("good"), "http://c/direct", Share("good")},
         {{false, "http://c/direct", {Share("none")}}, {true, kResolved, {Share("good")}}},
         {Share("good")}},
        {"only share links left without a match",
         {Share("none"), Share("good")},
         {{false, kNoLink, {Share("none")}}},
         {}},
        {"an empty list", {}, {{false, kNoLink, {}}, {true, kNoLink, {}}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePages pages;
        pages.pages = {{Share("good"), kPageWithLink}, {Share("none"), "nothing here"}};
        UrlMgr mgr = pages.Manager();
        mgr.SelectList(c.list);
        for (const Step& step : c.steps) {
            pages.fetched.clear();
            EXPECT_EQ(Answer(mgr, step.advance), step.answer);
            EXPECT_EQ(pages.fetched, step.fetched);
        }
        EXPECT_EQ(mgr.Links(), c.left);
    }
}

TEST(UrlMgrList, TheExpressionDecidesWhatAPageYields) {
    FakePages pages;
    pages.pages = {{Share("p"), "x http://h/y?k=private z"}};
    UrlMgr mgr = pages.Manager("http://(\\S+)=private");
    mgr.SelectList({Share("p")});
    EXPECT_EQ(mgr.GetUrl(false), "http://h/y?k=private") << "the whole match, not the group";

    UrlMgr invalid = pages.Manager("http://(unclosed");
    invalid.SelectList({Share("p")});
    pages.fetched.clear();
    EXPECT_THROW(invalid.GetUrl(false), boost::regex_error);
    EXPECT_TRUE(pages.fetched.empty()) << "an invalid expression fails before any fetch";
}

}  // namespace
