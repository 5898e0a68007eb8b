// The eight process-wide skin fonts. Markup "font=N" selects entry N; entry 3 is the default
// of every label and button caption.
#pragma once

#include <windows.h>

#include "skin/SkinFont.h"

class FontTable {
public:
    static constexpr int kFirstEntry = 1;
    static constexpr int kLastEntry = 8;
    static constexpr int kDefaultEntry = 3;

    // Builds all eight fonts from the stock GUI font in the face `reportedVersion` (a
    // GetVersion value) calls for. A font that cannot be created stays null.
    explicit FontTable(DWORD reportedVersion);

    // Null outside kFirstEntry..kLastEntry. The table keeps ownership: users select the
    // handle into DCs but never delete it.
    HFONT Get(int entry) const;

    // "微软雅黑" on a system reporting major version 6 (Vista, 7), "Tahoma" otherwise.
    static const wchar_t* FaceForVersion(DWORD reportedVersion);

    // The table of the process, built from GetVersion() on first use and at the latest during
    // static initialisation, before any window exists; destroyed at exit.
    static const FontTable& Process();
    static HFONT Font(int entry) { return Process().Get(entry); }

private:
    SkinFont m_fonts[kLastEntry - kFirstEntry + 1];
};
