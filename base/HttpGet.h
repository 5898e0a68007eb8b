// One blocking HTTP GET through WinINet, with time limits of its own and an early end on request.
#pragma once

#include <functional>
#include <ostream>
#include <string>

// How long a fetch may wait, in milliseconds: for the connection and the answer's headers
// together `connectMs` + `receiveMs`, then `receiveMs` for each further piece of the body.
struct HttpLimits {
    unsigned long connectMs = 10000;
    unsigned long receiveMs = 10000;
};

// Appends the response body for `url` (8-bit, system ANSI code page) to `out`, whatever the
// status. Every failure, an exceeded limit and a true `stopped()` (asked about every few
// milliseconds) leave `out` with what was read so far, possibly nothing.
void HttpGet(const std::string& url, std::ostream& out, const HttpLimits& limits = {},
             const std::function<bool()>& stopped = {});
