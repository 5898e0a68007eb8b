// One blocking HTTP GET through WinINet.
#pragma once

#include <ostream>
#include <string>

// Appends the response body for `url` (8-bit, system ANSI code page) to `out`, whatever the
// status. Every failure leaves `out` with what was read so far, possibly nothing.
// Not re-entrant: all calls share one process-wide read buffer.
void HttpGet(const std::string& url, std::ostream& out);
