// A helper program run beside a test with its standard output read line by line.
#pragma once

#include <cstdio>
#include <string>

class PipedProcess {
public:
    // `commandLine` as the command interpreter takes it: the program's Windows path, then its
    // arguments.
    explicit PipedProcess(const std::wstring& commandLine);
    // Waits for the program to end: a test that stopped early never leaves it running behind.
    ~PipedProcess();
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    // The next line without its line break; empty once the output has ended.
    std::string ReadLine();
    // Waits for the program to end and returns its exit code; -1 when it could not be run.
    int Wait();

private:
    FILE* m_pipe;
    int m_exitCode = -1;
};
