// What the test runner tells a test about its world: the loopback server and its files.
#pragma once

#include <string>

#include "tests/support/WideUtf8.h"

namespace testenv {

// The variable `name` of the test's environment; empty when unset.
std::string Env(const char* name);

// Base address of this test's own loopback server, "http://127.0.0.1:PORT"; empty when the test
// runs without one.
std::string ServerUrl();
// An address on loopback where nothing listens.
std::string DeadServerUrl();
// The server's document root as a Windows path (through Z:), without a trailing backslash.
std::wstring DocRoot();

// Percent-encodes every byte outside [A-Za-z0-9-._~], for /__echo?body=.
std::string UrlEncode(const std::string& bytes);

// The body of GET `url` through WinINet, for reading the server's request log.
std::string Fetch(const std::string& url);

}  // namespace testenv
