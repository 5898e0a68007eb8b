#include "base/CloudConfig.h"

#include <cctype>
#include <cstdint>
#include <exception>
#include <stdexcept>

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

// The digest a section names, lowercased; empty when it names none. A value that is not 64 hex
// digits fails the parse: a digest that cannot be checked must not pass for no digest.
std::string DigestOf(const boost::property_tree::ptree& tree, const std::string& group) {
    const auto value = tree.get_optional<std::string>(group + ".sha256");
    if (!value)
        return {};
    std::string digest = *value;
    if (digest.size() != 64)
        throw std::invalid_argument(group + ".sha256");
    for (char& c : digest) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            throw std::invalid_argument(group + ".sha256");
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return digest;
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
        config.xpSha256 = DigestOf(tree, "WINXP");
        config.win7Sha256 = DigestOf(tree, "WIN7");
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
