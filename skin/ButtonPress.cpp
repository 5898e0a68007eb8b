#include "skin/ButtonPress.h"

#include "skin/CSomWnd.h"
#include "skin/ISomWndManager.h"

namespace {
void Redraw(CSomWnd& button) {
    if (button.m_pManager)
        button.m_pManager->RedrawWnd(&button, nullptr, FALSE, 0);
}
}  // namespace

BOOL ButtonPress::Down(CSomWnd& button, bool& pressed) {
    if (!pressed) {
        pressed = true;
        Redraw(button);
        if (button.m_pManager)
            button.m_pManager->SetCapture(&button);
    }
    return TRUE;
}

BOOL ButtonPress::Up(CSomWnd& button, bool pressed) {
    if (pressed && button.m_pManager)
        button.m_pManager->ReleaseCapture(&button);
    return TRUE;
}

void ButtonPress::CaptureChanged(CSomWnd& button, bool& pressed, bool hover) {
    if (!pressed)
        return;
    pressed = false;
    Redraw(button);
    if (hover && button.m_pManager)
        button.m_pManager->SendCommand(&button, 0, static_cast<WORD>(button.m_nID));
}

void ButtonPress::SetHover(CSomWnd& button, bool& hover, bool value) {
    if (hover == value)
        return;
    hover = value;
    Redraw(button);
}
