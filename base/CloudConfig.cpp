#include "base/CloudConfig.h"

#include <cstdint>
#include <exception>

#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include "Deployment.h"

std::string DefaultLinkRegex() {
    return std::string("http://\\S+") + deployment::kCloudDomain + "\\S+=private?";
}

namespace {

void AppendGroup(const boost::property_tree::ptree& tree, const std::string& group,
                 std::deque<std::string>& target) {
    // A negative count reads as a huge unsigned one; the first absent key then fails the parse.
    const auto count = tree.get<std::uint32_t>(group + ".urlcount");
    for (std::uint64_t k = 1; k <= count; ++k) {
        target.push_back(tree.get<std::string>(group + ".url" + std::to_string(k)));
    }
}

}  // namespace

bool ParseConfig(std::istream& document, CloudConfig& config) {
    boost::property_tree::ptree tree;
    try {
        boost::property_tree::ini_parser::read_ini(document, tree);
        AppendGroup(tree, "WINXPWP", config.xpUrls);
        AppendGroup(tree, "WIN7WP", config.win7Urls);
        AppendGroup(tree, "WINXP", config.xpUrls);
        AppendGroup(tree, "WIN7", config.win7Urls);
    } catch (const std::exception&) {
        return false;
    }
    try {
        config.linkRegex = tree.get<std::string>("BAIDU.regex");
    } catch (const std::exception&) {
        config.linkRegex = DefaultLinkRegex();
    }
    return true;
}
