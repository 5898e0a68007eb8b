#include "download/ProxyRules.h"

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/algorithm/string/trim.hpp>

namespace {

struct UrlParts {
    std::string scheme;
    std::string host;
    std::string port;
};

std::string DefaultPort(const std::string& scheme) {
    return scheme == "https" ? "443" : "80";
}

// Scheme, host and port of an absolute URL, lower case; an empty host when it is none.
UrlParts SplitUrl(const std::string& url) {
    UrlParts parts;
    const std::size_t colon = url.find("://");
    if (colon == std::string::npos) {
        return parts;
    }
    parts.scheme = boost::algorithm::to_lower_copy(url.substr(0, colon));
    std::string authority = url.substr(colon + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        authority.erase(0, at + 1);
    }
    std::size_t portColon = std::string::npos;
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) {
            return parts;
        }
        parts.host = authority.substr(0, close + 1);
        if (close + 1 < authority.size() && authority[close + 1] == ':') {
            portColon = close + 1;
        }
    } else {
        portColon = authority.find(':');
        parts.host = authority.substr(0, portColon);
    }
    parts.port = portColon == std::string::npos ? std::string() : authority.substr(portColon + 1);
    if (parts.port.empty()) {
        parts.port = DefaultPort(parts.scheme);
    }
    boost::algorithm::to_lower(parts.host);
    return parts;
}

// "*" any run of characters, "?" any one; both sides already in lower case.
bool WildcardMatch(const char* pattern, const char* text) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*text != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = text;
        } else if (*pattern == '?' || *pattern == *text) {
            ++pattern;
            ++text;
        } else if (star != nullptr) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == '\0';
}

// A proxy address as libcurl takes it: Internet Options stores it with or without a scheme.
std::string ProxyUrl(std::string address) {
    boost::algorithm::trim(address);
    if (address.empty() || address.find("://") != std::string::npos) {
        return address;
    }
    return "http://" + address;
}

}  // namespace

ProxyRules::ProxyRules(const std::string& server, const std::string& bypass) {
    std::vector<std::string> entries;
    boost::algorithm::split(entries, server, boost::algorithm::is_any_of("; "),
                            boost::algorithm::token_compress_on);
    for (const std::string& entry : entries) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            if (!entry.empty()) {
                every_scheme = ProxyUrl(entry);
            }
        } else {
            by_scheme[boost::algorithm::to_lower_copy(entry.substr(0, equals))] =
                ProxyUrl(entry.substr(equals + 1));
        }
    }
    std::vector<std::string> patterns;
    boost::algorithm::split(patterns, bypass, boost::algorithm::is_any_of("; ,\t\r\n"),
                            boost::algorithm::token_compress_on);
    for (std::string pattern : patterns) {
        boost::algorithm::to_lower(pattern);
        if (pattern.empty()) {
            continue;
        }
        if (pattern == "<local>") {
            bypass_local = true;
            continue;
        }
        BypassEntry entry;
        const std::size_t colon = pattern.find("://");
        if (colon != std::string::npos) {
            entry.scheme = pattern.substr(0, colon);
            pattern.erase(0, colon + 3);
        }
        entry.pattern = pattern;
        bypass_entries.push_back(entry);
    }
}

bool ProxyRules::Bypassed(const std::string& scheme, const std::string& host,
                          const std::string& port) const {
    if (bypass_local && host.find('.') == std::string::npos &&
        host.find(':') == std::string::npos) {
        return true;
    }
    const std::string hostAndPort = host + ":" + port;
    for (const BypassEntry& entry : bypass_entries) {
        if (!entry.scheme.empty() && entry.scheme != scheme) {
            continue;
        }
        // An address in brackets holds colons of its own: only a colon after it names a port.
        const std::size_t bracket = entry.pattern.rfind(']');
        const bool namesPort =
            entry.pattern.find(':', bracket == std::string::npos ? 0 : bracket) !=
            std::string::npos;
        const std::string& subject = namesPort ? hostAndPort : host;
        if (WildcardMatch(entry.pattern.c_str(), subject.c_str())) {
            return true;
        }
    }
    return false;
}

std::string ProxyRules::ForUrl(const std::string& url) const {
    const UrlParts parts = SplitUrl(url);
    if (parts.host.empty()) {
        return std::string();
    }
    std::string proxy = every_scheme;
    if (!by_scheme.empty()) {
        const auto found = by_scheme.find(parts.scheme);
        proxy = found == by_scheme.end() ? std::string() : found->second;
    }
    if (proxy.empty() || Bypassed(parts.scheme, parts.host, parts.port)) {
        return std::string();
    }
    return proxy;
}
