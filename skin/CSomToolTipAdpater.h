// Registry of tooltip parts of windowless controls, kept in step with an optional tooltip
// control.
#pragma once

#include <windows.h>

#include <map>

class CSomWnd;

class CSomToolTipAdpater {
public:
    struct Tool {
        CSomWnd* wnd;
        UINT part;
        RECT rect;  // control-relative, or left == kWholeControl
    };
    static constexpr LONG kWholeControl = static_cast<LONG>(0x80000000);

    UINT AddTool(CSomWnd* w, UINT part, const RECT* rc);
    void RemoveTools(CSomWnd* w);
    const Tool* FindTool(UINT id) const;

    std::map<UINT, Tool> m_tools;
    std::map<CSomWnd*, std::map<UINT, UINT>> m_parts;
    HWND m_hToolTip = nullptr;
    HWND m_hToolOwner = nullptr;
};
