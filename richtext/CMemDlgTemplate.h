// A dialog template without controls, built in memory for DialogBoxIndirectParamW.
#pragma once

#include <windows.h>

#include <vector>

class CMemDlgTemplate {
public:
    // Position and size are dialog units. DS_SETFONT is added to `style`; the caption is empty
    // and there is no menu.
    void Create(DWORD style, DWORD exStyle, short x, short y, short cx, short cy,
                const wchar_t* className, WORD pointSize, const wchar_t* face);

    bool IsValid() const { return !m_data.empty(); }
    // Valid until the next Create or the object's destruction.
    const DLGTEMPLATE* Get() const;

private:
    void AppendString(const wchar_t* text);

    // DLGTEMPLATE must be DWORD-aligned; vector storage is.
    std::vector<WORD> m_data;
};
