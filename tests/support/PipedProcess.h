// A helper program run beside a test with its standard output read line by line.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

class PipedProcess {
public:
    // Starts the program at the Windows path `program`, quoted so that a path with blanks stays
    // one word, followed by `arguments`.
    PipedProcess(const std::wstring& program, const std::wstring& arguments);
    // Waits for the program to end: a test that stopped early never leaves it running behind.
    ~PipedProcess();
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    // The next line without its line break; empty once the output has ended.
    std::string ReadLine();
    // Waits for the program to end and returns its exit code; -1 when it could not be run.
    int Wait();

private:
    // The read end of the program's output, as a C stream (owns the pipe handle).
    FILE* m_output = nullptr;
    HANDLE m_process = nullptr;
    int m_exitCode = -1;
};
