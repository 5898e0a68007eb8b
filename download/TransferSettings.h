// What every transfer of the program is given: TLS 1.2 at least, the server's certificate and
// name always verified against the certificates the program trusts, and the user's proxy.
#pragma once

#include <curl/curl.h>

#include <string>

#include "download/ProxyRules.h"

class TransferSettings {
public:
    // `caBundle`: the trusted certificates as PEM text; empty leaves libcurl its own default
    // (there is none on Windows, where nothing then verifies).
    TransferSettings(std::string caBundle, ProxyRules proxy);

    // The platform's: on Windows the CA bundle inside the program and the proxy set in Internet
    // Options, read anew at each call; elsewhere the system's certificates and no proxy.
    static TransferSettings FromSystem();

    // A copy that also trusts the certificates in `pem`: the tests' and the benchmark's own CA.
    TransferSettings AlsoTrusting(const std::string& pem) const;

    // Sets the TLS, certificate and proxy options for a request to `url` on `handle`, after any
    // curl_easy_reset. Returns the proxy the request goes through, empty when direct.
    std::string Apply(CURL* handle, const std::string& url) const;

    const std::string& CaBundle() const { return ca_bundle; }

private:
    std::string ca_bundle;
    ProxyRules proxy;
};
