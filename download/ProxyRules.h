// The proxy the user set in Internet Options, and which requests go through it.
#pragma once

#include <map>
#include <string>
#include <vector>

class ProxyRules {
public:
    // Every request direct: no proxy set.
    ProxyRules() = default;
    // `server` as Internet Options stores it: "host:port" for every scheme, or a list such as
    // "http=host:port;https=host:port", where a scheme without an entry goes direct. `bypass`:
    // entries separated by ";" (blanks and "," tolerated), each a host name or address with
    // "*" and "?" wildcards, optionally behind "scheme://"; "<local>" names every host without a
    // dot. An entry naming a port ("host:8080") matches that port only.
    ProxyRules(const std::string& server, const std::string& bypass);

    // The proxy for a request to `url` as libcurl takes it ("http://host:port"); empty for a
    // direct connection.
    std::string ForUrl(const std::string& url) const;

private:
    struct BypassEntry {
        std::string scheme;
        std::string pattern;
    };

    std::string every_scheme;
    std::map<std::string, std::string> by_scheme;
    std::vector<BypassEntry> bypass_entries;
    bool bypass_local = false;

    bool Bypassed(const std::string& scheme, const std::string& host,
                  const std::string& port) const;
};
