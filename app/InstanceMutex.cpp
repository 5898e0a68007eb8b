#include "app/InstanceMutex.h"

InstanceMutex::InstanceMutex(const wchar_t* name) {
    // CreateMutexW leaves the last error alone when it makes a new mutex.
    SetLastError(0);
    m_handle = CreateMutexW(nullptr, TRUE, name);
    m_first = m_handle != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

InstanceMutex::~InstanceMutex() {
    if (m_handle)
        CloseHandle(m_handle);
}
