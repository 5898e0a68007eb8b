#include "base/HttpGet.h"

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "base/UserAgent.h"

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);

using Clock = std::chrono::steady_clock;

struct InternetHandle {
    HINTERNET h;
    explicit InternetHandle(HINTERNET handle) : h(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() {
        if (h)
            InternetCloseHandle(h);
    }
};

// What the reading thread hands to the caller. Shared, because a caller that gives up leaves
// the reading thread behind until WinINet lets it go.
struct Transfer {
    std::mutex lock;
    std::condition_variable changed;
    std::string pending;
    bool answered = false;
    bool done = false;
    bool abandoned = false;
    Clock::time_point lastProgress = Clock::now();
};

void Read(const std::string& url, const HttpLimits& limits, const std::shared_ptr<Transfer>& t) {
    char buffer[1024];
    InternetHandle session(
        InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (session.h) {
        // Honoured by Windows; where they are not, the caller's own limits still hold.
        DWORD connect = limits.connectMs, receive = limits.receiveMs;
        InternetSetOptionA(session.h, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
        InternetSetOptionA(session.h, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
        InternetSetOptionA(session.h, INTERNET_OPTION_SEND_TIMEOUT, &receive, sizeof receive);
        // Declared after the session so that it closes first.
        InternetHandle request(
            InternetOpenUrlA(session.h, url.c_str(), nullptr, 0, INTERNET_FLAG_DONT_CACHE, 0));
        if (request.h) {
            {
                std::lock_guard<std::mutex> guard(t->lock);
                t->answered = true;
                t->lastProgress = Clock::now();
            }
            for (;;) {
                // A read waits for its whole count: ask for what has arrived, so that every
                // piece reaches the caller as it comes.
                DWORD available = 0, got = 0;
                if (!InternetQueryDataAvailable(request.h, &available, 0, 0))
                    available = 0;
                if (available > sizeof buffer - 1)
                    available = sizeof buffer - 1;
                if (available == 0 || !InternetReadFile(request.h, buffer, available, &got))
                    got = 0;
                std::lock_guard<std::mutex> guard(t->lock);
                if (got == 0 || t->abandoned)
                    break;
                t->pending.append(buffer, got);
                t->lastProgress = Clock::now();
                t->changed.notify_one();
            }
        }
    }
    std::lock_guard<std::mutex> guard(t->lock);
    t->done = true;
    t->changed.notify_one();
}

}  // namespace

void HttpGet(const std::string& url, std::ostream& out, const HttpLimits& limits,
             const std::function<bool()>& stopped) {
    auto transfer = std::make_shared<Transfer>();
    // WinINet's own limits are not honoured everywhere and a blocked call cannot be cancelled:
    // the caller waits on its own terms, and a reading thread it gives up on ends by itself.
    std::thread(Read, url, limits, transfer).detach();
    const auto connectLimit = std::chrono::milliseconds(limits.connectMs + limits.receiveMs);
    const auto receiveLimit = std::chrono::milliseconds(limits.receiveMs);
    std::unique_lock<std::mutex> guard(transfer->lock);
    for (;;) {
        transfer->changed.wait_for(guard, kPoll);
        if (!transfer->pending.empty()) {
            out.write(transfer->pending.data(),
                      static_cast<std::streamsize>(transfer->pending.size()));
            transfer->pending.clear();
        }
        if (transfer->done)
            return;
        const auto quiet = Clock::now() - transfer->lastProgress;
        if ((stopped && stopped()) || quiet > (transfer->answered ? receiveLimit : connectLimit)) {
            transfer->abandoned = true;
            return;
        }
    }
}
