#include "skin/CMemDlgTemplate.h"

#include <cstring>

void CMemDlgTemplate::Create(DWORD style, DWORD exStyle, short x, short y, short cx, short cy,
                             const wchar_t* className, WORD pointSize, const wchar_t* face) {
    DLGTEMPLATE header{};
    header.style = face ? style | DS_SETFONT : style & ~static_cast<DWORD>(DS_SETFONT);
    header.dwExtendedStyle = exStyle;
    header.cdit = 0;
    header.x = x;
    header.y = y;
    header.cx = cx;
    header.cy = cy;
    m_data.assign(sizeof header / sizeof(WORD), 0);
    std::memcpy(m_data.data(), &header, sizeof header);
    m_data.push_back(0);  // no menu
    AppendString(className ? className : L"");
    AppendString(L"");  // caption
    if (face) {
        m_data.push_back(pointSize);
        AppendString(face);
    }
}

const DLGTEMPLATE* CMemDlgTemplate::Get() const {
    return m_data.empty() ? nullptr : reinterpret_cast<const DLGTEMPLATE*>(m_data.data());
}

void CMemDlgTemplate::AppendString(const wchar_t* text) {
    for (; *text; ++text)
        m_data.push_back(static_cast<WORD>(*text));
    m_data.push_back(0);
}
