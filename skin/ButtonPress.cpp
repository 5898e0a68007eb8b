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

BOOL ButtonPress::Up(CSomWnd& button, bool& pressed, bool hover) {
    if (!pressed)
        return TRUE;
    // Cleared before the capture goes back, so that the capture change it causes cancels
    // nothing, and before the command, which may end the window.
    pressed = false;
    Redraw(button);
    ISomWndManager* manager = button.m_pManager;
    if (!manager)
        return TRUE;
    manager->ReleaseCapture(&button);
    if (hover)
        manager->SendCommand(&button, 0, static_cast<WORD>(button.m_nID));
    return TRUE;
}

void ButtonPress::CaptureChanged(CSomWnd& button, bool& pressed) {
    if (!pressed)
        return;
    pressed = false;
    Redraw(button);
}

void ButtonPress::SetHover(CSomWnd& button, bool& hover, bool value) {
    if (hover == value)
        return;
    hover = value;
    Redraw(button);
}
