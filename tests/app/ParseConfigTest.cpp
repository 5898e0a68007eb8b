#include <gtest/gtest.h>

#include <sstream>

#include "base/CloudConfig.h"
#include "tests/app/ConfigCases.h"

namespace {

TEST(ParseConfig, FillsTheRecordAsTheDocumentSays) {
    for (const testcases::ConfigCase& c : testcases::kConfigCases) {
        // An error status is the server's answer, not a document the parser ever sees.
        if (c.delivery.find("mode=status") != std::string::npos)
            continue;
        std::istringstream document(c.document);
        CloudConfig config;
        EXPECT_EQ(ParseConfig(document, config), c.ok) << c.name;
        EXPECT_EQ(config.xpUrls, c.xp) << c.name;
        EXPECT_EQ(config.win7Urls, c.win7) << c.name;
        if (c.ok) {
            EXPECT_EQ(config.linkRegex, c.regex.empty() ? DefaultLinkRegex() : c.regex) << c.name;
        }
    }
}

// Each system's image digest is read from its [WINXP] or [WIN7] section and covers the links of
// both its sections; one that cannot be a SHA-256 makes the document invalid.
TEST(ParseConfig, ImageDigests) {
    const std::string a(64, 'a');
    const std::string mixed = "0123456789ABCDEFabcdef" + std::string(42, 'F');
    const std::string lowered = "0123456789abcdefabcdef" + std::string(42, 'f');
    const auto document = [](const std::string& xpExtra, const std::string& win7Extra,
                             const std::string& wpExtra) {
        using testcases::Group;
        return Group("WINXPWP", "urlcount=0\n" + wpExtra) + Group("WIN7WP", "urlcount=0\n") +
               Group("WINXP", "urlcount=1\nurl1=http://a/xp\n" + xpExtra) +
               Group("WIN7", "urlcount=0\n" + win7Extra);
    };
    const struct {
        const char* name;
        std::string document;
        bool ok;
        std::string xp;
        std::string win7;
    } cases[] = {
        {"none", document("", "", ""), true, "", ""},
        {"both, either case", document("sha256=" + a + "\n", "sha256=" + mixed + "\n", ""), true, a,
         lowered},
        {"only in a share-link section: not read", document("", "", "sha256=" + a + "\n"), true, "",
         ""},
        {"one digit short", document("sha256=" + a.substr(1) + "\n", "", ""), false, "", ""},
        {"not hex", document("", "sha256=" + std::string(64, 'g') + "\n", ""), false, "", ""},
        {"empty", document("sha256=\n", "", ""), false, "", ""},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.document);
        CloudConfig config;
        EXPECT_EQ(ParseConfig(in, config), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(config.xpSha256, c.xp) << c.name;
            EXPECT_EQ(config.win7Sha256, c.win7) << c.name;
        }
    }
}

}  // namespace
