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

}  // namespace
