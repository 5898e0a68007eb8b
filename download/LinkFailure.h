// Failures that only another link can help with: the server's certificate, its TLS version, or
// the proxy in between. The engine gives such a link up and tries the next one.
#pragma once

#include <curl/curl.h>

#include <string>

// What the transfer library reports of a request that ended.
struct RequestEnd {
    CURLcode result = CURLE_OK;
    // The answer's status; 0 without one.
    long status = 0;
    // The proxy's answer to the request for a tunnel (HTTPS through a proxy); 0 without one.
    long tunnel_status = 0;
    // The proxy the request went through ("http://host:port"); empty when it went direct.
    std::string proxy;
    // The transfer library's own words on the failure.
    std::string detail;
};

// How the request just made on `handle` ended with `result`; `proxy` as the request was given it,
// `errorBuffer` the handle's CURLOPT_ERRORBUFFER, whose words win over the code's general ones.
RequestEnd ReadRequestEnd(CURL* handle, CURLcode result, const std::string& proxy,
                          const char* errorBuffer);

// The log's words for a request that ended for its certificate, its TLS version or its proxy;
// empty for any other end, including success.
std::string LinkFailureText(const RequestEnd& end);
