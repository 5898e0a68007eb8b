#include "skin/CSomToolTipAdpater.h"

#include <commctrl.h>

#include "skin/CSomWnd.h"

namespace {

// The tool structure up to lParam, measured for this build's pointer size: the full structure
// (with lpReserved) is refused by version 5 of the common controls, and a size taken from the
// other pointer width is refused or cut short by the 64-bit ones.
const UINT kToolInfoSize = TTTOOLINFOW_V2_SIZE;

}  // namespace

UINT CSomToolTipAdpater::AddTool(CSomWnd* w, UINT part, const RECT* rc) {
    auto found = m_parts.find(w);
    if (found != m_parts.end() && found->second.count(part))
        return 0;
    UINT id = 1;
    for (const auto& tool : m_tools) {
        if (tool.first != id)
            break;
        ++id;
    }
    Tool tool{w, part, {kWholeControl, 0, 0, 0}};
    if (rc)
        tool.rect = *rc;
    m_tools[id] = tool;
    m_parts[w][part] = id;

    if (m_hToolTip) {
        RECT area = w->m_rc;
        if (rc) {
            area = *rc;
            OffsetRect(&area, w->m_rc.left, w->m_rc.top);
        }
        TOOLINFOW info{};
        info.cbSize = kToolInfoSize;
        info.hwnd = m_hToolOwner;
        info.uId = id;
        info.rect = area;
        info.hinst = GetModuleHandleW(nullptr);
        info.lpszText = LPSTR_TEXTCALLBACKW;
        ::SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    return id;
}

void CSomToolTipAdpater::RemoveTools(CSomWnd* w) {
    auto found = m_parts.find(w);
    if (found == m_parts.end())
        return;
    for (const auto& part : found->second) {
        m_tools.erase(part.second);
        if (m_hToolTip) {
            TOOLINFOW info{};
            info.cbSize = kToolInfoSize;
            info.hwnd = m_hToolOwner;
            info.uId = part.second;
            ::SendMessageW(m_hToolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        }
    }
    m_parts.erase(found);
}

const CSomToolTipAdpater::Tool* CSomToolTipAdpater::FindTool(UINT id) const {
    auto found = m_tools.find(id);
    return found == m_tools.end() ? nullptr : &found->second;
}
