#include "skin/CSomWndManager.h"

#include <algorithm>
#include <new>

#include "skin/GdiHandle.h"
#include "skin/PaintBuffer.h"

namespace {

POINT PointFromLParam(LPARAM lParam) {
    return POINT{static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
}

POINT Relative(const CSomWnd* w, POINT pt) {
    return POINT{pt.x - w->m_rc.left, pt.y - w->m_rc.top};
}

bool IsVisible(const CSomWnd* w) {
    return (w->m_dwStyle & SWS_VISIBLE) != 0;
}

}  // namespace

BOOL CSomWndManager::ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                          LRESULT& lResult, DWORD) {
    // The window's last message comes after the teardown; it must not restart the timer on a
    // window that is going away.
    if (!m_hWnd && uMsg != WM_NCDESTROY) {
        m_hWnd = hWnd;
        SetTimer(hWnd, kHoverTimerId, kHoverTimerPeriod, nullptr);
    }
    switch (uMsg) {
        case WM_NOTIFY: {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            if (!info || info->hdr.code != TTN_GETDISPINFOW || (info->uFlags & TTF_IDISHWND))
                return FALSE;
            if (const Tool* tool = FindTool(static_cast<UINT>(info->hdr.idFrom)))
                tool->wnd->OnToolTipText(tool->part, info);
            lResult = 0;
            return TRUE;
        }
        case WM_MOUSEMOVE:
            return OnMouseMoveMessage(PointFromLParam(lParam), lResult);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            return RouteButton(uMsg, PointFromLParam(lParam), lResult);
        case WM_SETCURSOR: {
            POINT pt{};
            GetCursorPos(&pt);
            ScreenToClient(m_hWnd, &pt);
            return RouteButton(uMsg, pt, lResult);
        }
        case WM_ERASEBKGND:
            lResult = 1;
            return TRUE;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            OnPaintMessage(reinterpret_cast<HDC>(wParam));
            lResult = 0;
            return TRUE;
        case WM_TIMER:
            if (wParam != kHoverTimerId)
                return FALSE;
            OnHoverTimer();
            lResult = 1;
            return TRUE;
        case WM_CAPTURECHANGED: {
            lResult = 0;
            CSomWnd* capture = m_pCapture;
            if (!capture)
                return FALSE;
            // Cleared first: the control may send a command that destroys the window, and it
            // may hand the capture to another control.
            m_pCapture = nullptr;
            capture->OnCaptureChanged();
            return TRUE;
        }
        case WM_SETREDRAW:
            m_bRedraw = static_cast<BOOL>(wParam);
            lResult = 0;
            return FALSE;
        case WM_DESTROY:
            OnDestroyMessage();
            lResult = 0;
            return FALSE;
        default:
            return FALSE;
    }
}

CSomWnd* CSomWndManager::HitTest(POINT pt) const {
    for (CSomWnd* w : m_wnds) {
        if (IsVisible(w) && !(w->m_dwStyle & SWS_DISABLED) && PtInRect(&w->m_rc, pt))
            return w;
    }
    return nullptr;
}

BOOL CSomWndManager::RouteButton(UINT uMsg, POINT pt, LRESULT& lResult) {
    const bool captured = m_pCapture != nullptr;
    CSomWnd* target = captured ? m_pCapture : HitTest(pt);
    lResult = 0;
    if (!target)
        return FALSE;
    const POINT local = Relative(target, pt);
    BOOL result = FALSE;
    switch (uMsg) {
        case WM_LBUTTONDOWN:
            result = target->OnLButtonDown(local);
            break;
        case WM_LBUTTONUP:
            result = target->OnLButtonUp(local);
            break;
        case WM_LBUTTONDBLCLK:
            result = target->OnLButtonDblClk(local);
            break;
        default:
            result = target->OnSetCursor(local);
            lResult = result;
            return result;
    }
    // Nothing of the manager is read after the handler except what was known before it: a
    // click may destroy the window.
    if (captured) {
        lResult = result;
        return TRUE;
    }
    return result;
}

BOOL CSomWndManager::OnMouseMoveMessage(POINT pt, LRESULT& lResult) {
    lResult = 0;
    if (CSomWnd* capture = m_pCapture) {
        const POINT local = Relative(capture, pt);
        if (PtInRect(&capture->m_rc, pt)) {
            if (!m_pHover) {
                m_pHover = capture;
                capture->OnMouseEnter(local);
            }
        } else if (m_pHover == capture) {
            m_pHover = nullptr;
            capture->OnMouseLeave();
        }
        lResult = capture->OnMouseMove(local);
        return TRUE;
    }
    CSomWnd* hit = HitTest(pt);
    if (hit != m_pHover) {
        if (CSomWnd* old = m_pHover) {
            m_pHover = nullptr;
            old->OnMouseLeave();
        }
        m_pHover = hit;
        if (hit)
            hit->OnMouseEnter(Relative(hit, pt));
    }
    if (!hit)
        return TRUE;
    hit->OnMouseMove(Relative(hit, pt));
    return FALSE;
}

void CSomWndManager::OnHoverTimer() {
    if (m_pHover && !m_pCapture) {
        POINT cursor{};
        GetCursorPos(&cursor);
        RECT client{};
        GetClientRect(m_hWnd, &client);
        MapWindowPoints(m_hWnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
        if (!PtInRect(&client, cursor) || WindowFromPoint(cursor) != m_hWnd) {
            CSomWnd* old = m_pHover;
            m_pHover = nullptr;
            old->OnMouseLeave();
        }
    }
    // A control's timer handler may add or remove controls; walk a snapshot.
    const std::vector<CSomWnd*> wnds = m_wnds;
    for (CSomWnd* w : wnds)
        w->OnTimer();
}

void CSomWndManager::OnPaintMessage(HDC dc) {
    if (dc) {
        // The DC is the caller's: drawing excludes every control from its clipping as it goes.
        const gdi::SavedState saved(dc);
        RECT rc{};
        GetClipBox(dc, &rc);
        DrawWnds(dc, &rc);
        DrawBackground(dc, &rc);
        return;
    }
    const gdi::PaintDC paint(m_hWnd);
    if (!paint.Get())
        return;
    DrawWnds(paint.Get(), &paint.PaintRect());
    DrawBackground(paint.Get(), &paint.PaintRect());
}

void CSomWndManager::OnDestroyMessage() {
    KillTimer(m_hWnd, kHoverTimerId);
    if (CSomWnd* hover = m_pHover) {
        m_pHover = nullptr;
        hover->OnMouseLeave();
    }
    if (CSomWnd* capture = m_pCapture) {
        m_pCapture = nullptr;
        capture->OnCaptureChanged();
    }
    for (CSomWnd* w : m_wnds) {
        w->OnDestroy();
        w->m_dwStyle = 0;
        w->m_nID = 0;
        w->m_rc = RECT{};
        w->m_pManager = nullptr;
    }
    m_bRedraw = TRUE;
    m_bImmediate = TRUE;
    m_hWnd = nullptr;
    std::vector<CSomWnd*>().swap(m_wnds);
}

BOOL CSomWndManager::AddWnd(CSomWnd* w) {
    try {
        m_wnds.push_back(w);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

BOOL CSomWndManager::CreateControl(CSomWnd& control, DWORD style, UINT id, int x, int y) {
    control.m_pManager = this;
    control.m_dwStyle = style;
    control.m_nID = id;
    control.m_rc = {x, y, x, y};
    if (!AddWnd(&control)) {
        control.m_pManager = nullptr;
        return FALSE;
    }
    control.OnCreate();
    control.OnMove(x, y);
    control.OnSize(0, 0);
    return TRUE;
}

BOOL CSomWndManager::RemoveWnd(CSomWnd* w) {
    if (w && w == m_pCapture) {
        ReleaseCapture(w);
        if (CSomWnd* capture = m_pCapture) {
            m_pCapture = nullptr;
            capture->OnCaptureChanged();
        }
    }
    if (w && w == m_pHover) {
        m_pHover = nullptr;
        w->OnMouseLeave();
    }
    auto found = std::find(m_wnds.begin(), m_wnds.end(), w);
    if (found == m_wnds.end())
        return FALSE;
    m_wnds.erase(found);
    return TRUE;
}

void CSomWndManager::SetCapture(CSomWnd* w) {
    if (CSomWnd* previous = m_pCapture)
        previous->OnCaptureChanged();
    m_pCapture = w;
    if (::GetCapture() != m_hWnd)
        ::SetCapture(m_hWnd);
}

void CSomWndManager::ReleaseCapture(CSomWnd* w) {
    if (w && w == m_pCapture)
        ::ReleaseCapture();
}

LRESULT CSomWndManager::SendCommand(CSomWnd* sender, WORD code, WORD id) {
    return ::SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(id, code),
                          reinterpret_cast<LPARAM>(sender));
}

void CSomWndManager::Invalidate(const RECT& rc) {
    // Without a window yet, a NULL handle would invalidate every window of the desktop.
    if (m_hWnd)
        InvalidateRect(m_hWnd, &rc, FALSE);
}

void CSomWndManager::InvalidateAndUpdate(const RECT& rc) {
    if (!m_hWnd)
        return;
    InvalidateRect(m_hWnd, &rc, FALSE);
    if (m_bImmediate)
        UpdateWindow(m_hWnd);
}

void CSomWndManager::MoveWnd(CSomWnd* w, int x, int y, int cx, int cy) {
    const RECT old = w->m_rc;
    const bool moved = old.left != x || old.top != y;
    const bool sized = old.right - old.left != cx || old.bottom - old.top != cy;
    if (!moved && !sized)
        return;
    if (IsVisible(w))
        Invalidate(old);
    SetRect(&w->m_rc, x, y, x + cx, y + cy);
    if (moved)
        w->OnMove(x, y);
    if (sized)
        w->OnSize(cx, cy);
    if (IsVisible(w))
        InvalidateAndUpdate(w->m_rc);
}

void CSomWndManager::SizeWnd(CSomWnd* w, int cx, int cy) {
    const RECT old = w->m_rc;
    if (old.right - old.left == cx && old.bottom - old.top == cy)
        return;
    if (IsVisible(w))
        Invalidate(old);
    w->m_rc.right = w->m_rc.left + cx;
    w->m_rc.bottom = w->m_rc.top + cy;
    w->OnSize(cx, cy);
    if (IsVisible(w))
        InvalidateAndUpdate(w->m_rc);
}

void CSomWndManager::SetWndPos(CSomWnd* w, int x, int y) {
    const RECT old = w->m_rc;
    if (old.left == x && old.top == y)
        return;
    if (IsVisible(w))
        Invalidate(old);
    OffsetRect(&w->m_rc, x - old.left, y - old.top);
    w->OnMove(x, y);
    if (IsVisible(w))
        InvalidateAndUpdate(w->m_rc);
}

void CSomWndManager::RedrawWnd(CSomWnd* w, const RECT* rcPart, BOOL eraseHidden, int part) {
    // Before the owner window exists there is nothing to draw on; GetDC(NULL) would be the screen.
    if (!m_bRedraw || !m_hWnd)
        return;
    const BOOL visible = IsVisible(w);
    const BOOL background = visible ? (w->m_dwStyle & SWS_TRANSPARENT) != 0 : eraseHidden;
    if (!visible && !background)
        return;
    RECT area = w->m_rc;
    if (rcPart) {
        RECT moved = *rcPart;
        OffsetRect(&moved, w->m_rc.left, w->m_rc.top);
        if (!IntersectRect(&area, &moved, &w->m_rc))
            return;
    }
    if (!m_bImmediate) {
        Invalidate(area);
        return;
    }
    gdi::WindowDC dc(m_hWnd);
    if (!dc.Get())
        return;
    IntersectClipRect(dc.Get(), area.left, area.top, area.right, area.bottom);
    DrawWnd(w, dc.Get(), visible, background, FALSE, part);
}

UINT CSomWndManager::AddToolTip(CSomWnd* w, UINT part, const RECT* rc) {
    return AddTool(w, part, rc);
}

void CSomWndManager::RemoveToolTips(CSomWnd* w) {
    RemoveTools(w);
}

void CSomWndManager::LockUpdate() {
    m_bImmediate = FALSE;
}

void CSomWndManager::UnlockUpdate() {
    m_bImmediate = TRUE;
    if (m_bRedraw)
        UpdateWindow(m_hWnd);
}

void CSomWndManager::DrawBackground(HDC dc, const RECT* rc) {
    auto brush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(m_hWnd, GCLP_HBRBACKGROUND));
    if (!brush)
        return;
    RECT area{};
    if (rc)
        area = *rc;
    else
        GetClipBox(dc, &area);
    FillRect(dc, &area, brush);
}

void CSomWndManager::DrawWnds(HDC dc, const RECT* rc) {
    for (CSomWnd* w : m_wnds) {
        RECT overlap{};
        if (IsVisible(w) && IntersectRect(&overlap, &w->m_rc, rc))
            DrawWnd(w, dc, TRUE, (w->m_dwStyle & SWS_TRANSPARENT) != 0, TRUE, 0);
    }
}

void CSomWndManager::DrawWnd(CSomWnd* w, HDC dc, BOOL visible, BOOL background, BOOL exclude,
                             int part) {
    const RECT r = w->m_rc;
    const int cx = r.right - r.left;
    const int cy = r.bottom - r.top;
    HDC drawing = dc;
    if (background) {
        HDC buffer = PaintBuffer::Get();
        if (visible && buffer && cx <= PaintBuffer::kWidth && cy <= PaintBuffer::kHeight) {
            drawing = buffer;
            SetViewportOrgEx(buffer, -r.left, -r.top, nullptr);
        }
        DrawBackground(drawing, &r);
    }
    if (!visible)
        return;
    if (drawing == dc) {
        gdi::ViewportOrigin origin(dc);
        OffsetViewportOrgEx(dc, r.left, r.top, nullptr);
        w->OnPaint(dc, -1, part);
    } else {
        SetViewportOrgEx(drawing, 0, 0, nullptr);
        w->OnPaint(drawing, -1, part);
        BitBlt(dc, r.left, r.top, cx, cy, drawing, 0, 0, SRCCOPY);
    }
    if (exclude)
        ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
}

void CSomWndManager::ShowWnd(CSomWnd* w, BOOL show) {
    const bool visible = IsVisible(w);
    if (visible == (show != FALSE))
        return;
    if (show)
        w->m_dwStyle |= SWS_VISIBLE;
    else
        w->m_dwStyle &= ~SWS_VISIBLE;
    RedrawWnd(w, nullptr, TRUE, 0);
}
