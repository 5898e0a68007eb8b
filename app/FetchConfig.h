// Fetching the cloud configuration document.
#pragma once

#include <string>

#include "base/CloudConfig.h"

// Fetches the document at `url` with HttpGet and parses it into `config`.
bool FetchConfigFrom(const std::string& url, CloudConfig& config);

// Fetches "http://<configuration host>/kestrin_1_0.ini" into `config`; true on success.
// The host is the built-in deployment value, or QUORRIN_CONFIG_HOST from the environment when
// that is a plain host[:port].
bool FetchConfig(CloudConfig& config);

// A host name or address with an optional port: letters, digits, '.', '-' and ':' only, so
// that nothing but a host can reach the address.
bool IsConfigHost(const std::wstring& host);
