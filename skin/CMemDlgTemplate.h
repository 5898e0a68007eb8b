// A dialog template without controls, built in memory for DialogBoxIndirectParamW.
#pragma once

#include <windows.h>

#include <vector>

class CMemDlgTemplate {
public:
    // Position and size are dialog units; the caption is empty and there is no menu. With a
    // `face`, DS_SETFONT is added to `style` and the font is written; without one the template
    // has no font and DS_SETFONT is cleared, so the dialog keeps the system font.
    void Create(DWORD style, DWORD exStyle, short x, short y, short cx, short cy,
                const wchar_t* className, WORD pointSize = 0, const wchar_t* face = nullptr);

    bool IsValid() const { return !m_data.empty(); }
    // Valid until the next Create or the object's destruction.
    const DLGTEMPLATE* Get() const;

private:
    void AppendString(const wchar_t* text);

    // DLGTEMPLATE must be DWORD-aligned; vector storage is.
    std::vector<WORD> m_data;
};
