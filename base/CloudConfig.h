// The cloud configuration record: mirror lists of the two images and the share-link expression.
#pragma once

#include <deque>
#include <istream>
#include <string>

struct CloudConfig {
    // Candidate addresses, first group (section ending in WP) then second group, in index order.
    // Kept as the server sent them: 8-bit text, trimmed, no character-set conversion.
    std::deque<std::string> win7Urls;
    std::deque<std::string> xpUrls;
    // Marks an address as a cloud-drive share link that must be resolved through its page.
    std::string linkRegex;
};

// "http://\S+<domain>\S+=private?", the domain's dot left unescaped.
std::string DefaultLinkRegex();

// Parses an INI document into `config`, appending to its lists. Returns false on an invalid
// document, a missing or malformed count, or a missing indexed url; addresses appended before
// the failure stay. A missing or unreadable BAIDU.regex is not a failure: the default is used.
bool ParseConfig(std::istream& document, CloudConfig& config);
