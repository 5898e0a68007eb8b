#include "tests/support/JoiningThread.h"

#include "tests/support/MessageBoxProbe.h"

JoiningThread::JoiningThread(std::function<void()> work)
    : m_thread([this, work = std::move(work)] {
          m_threadId = GetCurrentThreadId();
          work();
          m_done = true;
      }) {}

JoiningThread::~JoiningThread() {
    Join();
}

void JoiningThread::Join() {
    if (!m_thread.joinable())
        return;
    while (!m_done) {
        if (m_threadId != 0)
            DismissMessageBoxes(m_threadId);
        Sleep(20);
    }
    m_thread.join();
}
