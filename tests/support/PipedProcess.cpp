#include "tests/support/PipedProcess.h"

#include <fcntl.h>
#include <io.h>

#include <vector>

namespace {

void CloseIfOpen(HANDLE& handle) {
    if (handle) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

}  // namespace

PipedProcess::PipedProcess(const std::wstring& program, const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return;
    // Only the write end goes to the child: with the read end inherited too, the pipe would never
    // report its end.
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    // CreateProcessW may write into its command line.
    const std::wstring line = L"\"" + program + L"\" " + arguments;
    std::vector<wchar_t> commandLine(line.begin(), line.end());
    commandLine.push_back(L'\0');
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, nullptr, &startup, &process);
    CloseIfOpen(writeEnd);
    if (!started) {
        CloseIfOpen(readEnd);
        return;
    }
    CloseHandle(process.hThread);
    m_process = process.hProcess;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(readEnd), _O_RDONLY);
    if (descriptor == -1) {
        CloseIfOpen(readEnd);
        return;
    }
    m_output = _fdopen(descriptor, "r");
    if (!m_output)
        _close(descriptor);
}

PipedProcess::~PipedProcess() {
    Wait();
}

std::string PipedProcess::ReadLine() {
    if (!m_output)
        return {};
    char buffer[512];
    if (!std::fgets(buffer, sizeof buffer, m_output))
        return {};
    std::string line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

int PipedProcess::Wait() {
    if (m_output) {
        std::fclose(m_output);
        m_output = nullptr;
    }
    if (m_process) {
        DWORD code = 0;
        if (WaitForSingleObject(m_process, INFINITE) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(m_process, &code))
            m_exitCode = static_cast<int>(code);
        CloseIfOpen(m_process);
    }
    return m_exitCode;
}
