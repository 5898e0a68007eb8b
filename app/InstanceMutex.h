// The single-instance guard: the named mutex that tells a second copy of the program that a
// first one runs.
#pragma once

#include <windows.h>

class InstanceMutex {
public:
    // Creates the named mutex, owned by the calling thread, or opens it when it already exists.
    explicit InstanceMutex(const wchar_t* name);
    ~InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    // False when another holder had the name first, or when no mutex could be made under it.
    bool IsFirstInstance() const { return m_first; }

private:
    HANDLE m_handle;
    bool m_first;
};
