#include "tests/support/PipedProcess.h"

PipedProcess::PipedProcess(const std::wstring& commandLine)
    : m_pipe(_wpopen(commandLine.c_str(), L"r")) {}

PipedProcess::~PipedProcess() {
    Wait();
}

std::string PipedProcess::ReadLine() {
    if (!m_pipe)
        return {};
    char buffer[512];
    if (!std::fgets(buffer, sizeof buffer, m_pipe))
        return {};
    std::string line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

int PipedProcess::Wait() {
    if (m_pipe) {
        m_exitCode = _pclose(m_pipe);
        m_pipe = nullptr;
    }
    return m_exitCode;
}
