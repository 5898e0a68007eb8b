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
    // Body bytes read so far; the reader stops once they pass the cap.
    std::size_t received = 0;
    bool answered = false;
    bool done = false;
    bool failed = false;
    bool tooLarge = false;
    bool abandoned = false;
    Clock::time_point lastProgress = Clock::now();
};

void Read(const std::string& url, const HttpLimits& limits, const std::shared_ptr<Transfer>& t) {
    char buffer[1024];
    bool failed = true;
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
                // piece reaches the caller as it comes. No data left is the body's end.
                DWORD available = 0, got = 0;
                if (!InternetQueryDataAvailable(request.h, &available, 0, 0))
                    break;
                if (available == 0) {
                    failed = false;
                    break;
                }
                if (available > sizeof buffer)
                    available = sizeof buffer;
                if (!InternetReadFile(request.h, buffer, available, &got))
                    break;
                std::lock_guard<std::mutex> guard(t->lock);
                if (got == 0) {
                    failed = false;
                    break;
                }
                if (t->abandoned)
                    break;
                t->pending.append(buffer, got);
                t->received += got;
                t->lastProgress = Clock::now();
                t->changed.notify_one();
                if (t->received > limits.maxBytes) {
                    t->tooLarge = true;
                    break;
                }
            }
        }
    }
    std::lock_guard<std::mutex> guard(t->lock);
    t->failed = failed;
    t->done = true;
    t->changed.notify_one();
}

}  // namespace

HttpResult HttpGet(const std::string& url, std::ostream& out, const HttpLimits& limits,
                   const std::function<bool()>& stopped) {
    auto transfer = std::make_shared<Transfer>();
    // WinINet's own limits are not honoured everywhere and a blocked call cannot be cancelled:
    // the caller waits on its own terms, and a reading thread it gives up on ends by itself.
    std::thread(Read, url, limits, transfer).detach();
    const auto connectLimit = std::chrono::milliseconds(limits.connectMs + limits.receiveMs);
    const auto receiveLimit = std::chrono::milliseconds(limits.receiveMs);
    const auto deadline = Clock::now() + std::chrono::milliseconds(limits.totalMs);
    std::size_t written = 0;
    std::unique_lock<std::mutex> guard(transfer->lock);
    for (;;) {
        transfer->changed.wait_for(guard, kPoll);
        // The reader stops one piece past the cap: the caller keeps the cap's worth.
        const std::size_t room = limits.maxBytes - written;
        const std::size_t take = transfer->pending.size() < room ? transfer->pending.size() : room;
        out.write(transfer->pending.data(), static_cast<std::streamsize>(take));
        written += take;
        transfer->pending.clear();
        if (transfer->done) {
            if (transfer->tooLarge)
                return HttpResult::TooLarge;
            return transfer->failed ? HttpResult::Failed : HttpResult::Complete;
        }
        HttpResult result = HttpResult::Complete;
        const auto now = Clock::now();
        if (stopped && stopped())
            result = HttpResult::Stopped;
        else if (now - transfer->lastProgress > (transfer->answered ? receiveLimit : connectLimit))
            result = HttpResult::Failed;
        else if (now > deadline)
            result = HttpResult::TooSlow;
        if (result != HttpResult::Complete) {
            transfer->abandoned = true;
            return result;
        }
    }
}
