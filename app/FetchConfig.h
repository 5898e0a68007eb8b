// Fetching the cloud configuration document.
#pragma once

#include <string>
#include <string_view>

#include "app/ConfigStatus.h"
#include "base/CloudConfig.h"

// Fetches the document at `url` with HttpGet and parses it into `config`. With a public key
// (`publicKeyHex`, 64 hex digits) only a document that key signed counts, and only its signed
// bytes are parsed; without one (empty) the whole document is parsed, a signature section
// being one more section nobody reads.
ConfigStatus FetchConfigFrom(const std::string& url, std::string_view publicKeyHex,
                             CloudConfig& config);

// Fetches "http://<configuration host>/kestrin_1_0.ini" into `config` as FetchConfigFrom does.
// The host is the built-in deployment value, or QUORRIN_CONFIG_HOST from the environment when
// that is a plain host[:port].
ConfigStatus FetchConfig(std::string_view publicKeyHex, CloudConfig& config);

// A host name or address with an optional port: letters, digits, '.', '-' and ':' only, so
// that nothing but a host can reach the address.
bool IsConfigHost(const std::wstring& host);
