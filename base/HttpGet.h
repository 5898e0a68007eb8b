// One blocking HTTP GET through WinINet, with time limits of its own and an early end on request.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

// How long a fetch may wait, in milliseconds: for the connection and the answer's headers
// together `connectMs` + `receiveMs`, then `receiveMs` for each further piece of the body, and
// `totalMs` for the whole fetch however its body trickles in. `maxBytes` is the most of a body
// that is kept: nothing from the network may grow the process without end.
struct HttpLimits {
    unsigned long connectMs = 10000;
    unsigned long receiveMs = 10000;
    unsigned long totalMs = 60000;
    std::size_t maxBytes = 1024 * 1024;
};

// How a fetch ended.
enum class HttpResult {
    // The whole body arrived.
    Complete,
    // No connection, no answer, a broken transfer, or a piece later than `receiveMs`.
    Failed,
    // The body went on past `maxBytes`.
    TooLarge,
    // The fetch took longer than `totalMs`.
    TooSlow,
    // `stopped()` asked for the end.
    Stopped,
};

// Appends the response body for `url` (8-bit, system ANSI code page) to `out`, whatever the
// status. Every failure, an exceeded limit and a true `stopped()` (asked about every few
// milliseconds) leave `out` with what was read so far, possibly nothing, and never more than
// `maxBytes`.
HttpResult HttpGet(const std::string& url, std::ostream& out, const HttpLimits& limits = {},
                   const std::function<bool()>& stopped = {});
