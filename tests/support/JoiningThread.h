// A thread that its owner always joins, even when a failed assertion leaves the test early.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

class JoiningThread {
public:
    explicit JoiningThread(std::function<void()> work);
    ~JoiningThread();
    JoiningThread(const JoiningThread&) = delete;
    JoiningThread& operator=(const JoiningThread&) = delete;

    // Waits for the work to end. Message boxes the thread shows meanwhile are answered with OK:
    // a test that stopped before answering one would otherwise wait for ever.
    void Join();

private:
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_done{false};
    // Last, so that it starts once the flags above exist.
    std::thread m_thread;
};
