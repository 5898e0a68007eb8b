#include "download/DownloadSidecar.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>
#include <cctype>
#include <locale>

namespace {
constexpr char kSizePath[] = "brenic.full_size";

// Digits left after dropping the separators any locale may place between digit groups.
bool DigitsWithoutGroups(const std::string& text, std::string& digits) {
    digits.clear();
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else if (c != ',' && c != '.' && c != ' ' && c != '\'' && c != '\xa0') {
            return false;
        }
    }
    return !digits.empty();
}
}  // namespace

void WriteSidecar(const std::string& path, std::int64_t fullSize) {
    boost::property_tree::ptree tree;
    tree.put(kSizePath, fullSize);
    boost::property_tree::write_xml(
        path, tree, std::locale(),
        boost::property_tree::xml_writer_make_settings<std::string>(' ', 0, "utf-8"));
}

std::int64_t ReadSidecar(const std::string& path) {
    boost::property_tree::ptree tree;
    boost::property_tree::read_xml(path, tree, 0, std::locale());
    try {
        return tree.get<std::int64_t>(kSizePath);
    } catch (const boost::property_tree::ptree_bad_data&) {
        std::string digits;
        if (!DigitsWithoutGroups(tree.get<std::string>(kSizePath), digits)) {
            throw;
        }
        return std::stoll(digits);
    }
}
