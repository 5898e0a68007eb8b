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
    // The images' SHA-256 in lowercase hex, empty when the document names none. One image per
    // system, whichever of its two sections gave the link.
    std::string xpSha256;
    std::string win7Sha256;
};

// "http://\S+<domain>\S+=private?", the domain's dot left unescaped.
std::string DefaultLinkRegex();

// Parses an INI document into `config`, appending to its lists. Returns false on an invalid
// document, a missing or malformed count, a missing indexed url, or a sha256 in [WINXP] or [WIN7]
// that is not 64 hex digits; addresses appended before the failure stay. A missing or unreadable
// BAIDU.regex is not a failure: the default is used.
bool ParseConfig(std::istream& document, CloudConfig& config);
