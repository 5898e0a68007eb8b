#pragma once

#include <windows.h>

namespace gdi {

// Saves a DC's whole state (clip region, origins, selections) and restores it on scope exit.
class SavedState {
public:
    explicit SavedState(HDC dc) : m_hDC(dc), m_nSaved(SaveDC(dc)) {}
    ~SavedState() {
        if (m_nSaved)
            RestoreDC(m_hDC, m_nSaved);
    }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    HDC m_hDC;
    int m_nSaved;
};

}  // namespace gdi
