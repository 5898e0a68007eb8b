#include "download/DownloadSidecar.h"

#include <boost/filesystem/path.hpp>
#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>
#include <cctype>
#include <fstream>
#include <locale>
#include <sstream>

namespace {
constexpr char kSizePath[] = "brenic.full_size";

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The digits of a number written in groups of three by a locale the user has since left: one
// to three leading digits, then groups of exactly three, all after the same separator. Anything
// else ("12.5", "1,23", "1,234.567") is not such a number.
bool DigitsWithoutGroups(const std::string& text, std::string& digits) {
    digits.clear();
    char separator = 0;
    size_t groupLength = 0;
    bool leading = true;
    for (const char c : text) {
        if (IsDigit(c)) {
            digits += c;
            ++groupLength;
            if (groupLength > 3)
                return false;
            continue;
        }
        if (c != ',' && c != '.' && c != ' ' && c != '\'' && c != '\xa0')
            return false;
        if (groupLength == 0 || (separator && c != separator) || (!leading && groupLength != 3))
            return false;
        separator = c;
        leading = false;
        groupLength = 0;
    }
    return separator && groupLength == 3;
}
}  // namespace

void WriteSidecar(const boost::filesystem::path& path, std::int64_t fullSize) {
    boost::property_tree::ptree tree;
    tree.put(kSizePath, fullSize);
    std::ostringstream text;
    boost::property_tree::write_xml(
        text, tree, boost::property_tree::xml_writer_make_settings<std::string>(' ', 0, "utf-8"));
    // The record's lines end in CR LF wherever it is written, as a text-mode file on Windows
    // gives them: written in binary, so no platform adds or drops a byte.
    std::string bytes;
    for (const char c : text.str()) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file << bytes;
    file.close();
    if (!file)
        throw boost::property_tree::xml_parser_error("write error", path.string(), 0);
}

std::int64_t ReadSidecar(const boost::filesystem::path& path) {
    // Opened through the path itself, so that a folder the ANSI code page cannot spell works.
    std::ifstream file(path.c_str());
    if (!file)
        throw boost::property_tree::xml_parser_error("cannot open file", path.string(), 0);
    file.imbue(std::locale());
    boost::property_tree::ptree tree;
    boost::property_tree::read_xml(file, tree, 0);
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
