// Press, capture and click handling shared by every push button: a command goes out only when
// a press is released over the button. Static operations on the button's own state, so the
// buttons keep standing directly on the control base.
#pragma once

#include <windows.h>

class CSomWnd;

class ButtonPress {
public:
    // A press (or the second press of a double click) takes the capture.
    static BOOL Down(CSomWnd& button, bool& pressed);
    // Releasing gives the capture back; the click itself follows in CaptureChanged.
    static BOOL Up(CSomWnd& button, bool pressed);
    // Ends the press and sends the command when the pointer is still over the button. The
    // command may destroy or block the window: nothing of the button is touched after it.
    static void CaptureChanged(CSomWnd& button, bool& pressed, bool hover);
    static void SetHover(CSomWnd& button, bool& hover, bool value);
};
