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
    // Releasing ends the press, gives the capture back and sends the command when the pointer
    // is still over the button. The command may destroy or block the window: nothing of the
    // button is touched after it.
    static BOOL Up(CSomWnd& button, bool& pressed, bool hover);
    // The capture went elsewhere (another window took it) while pressed: the press is
    // cancelled and no command goes out, as nothing was released over the button.
    static void CaptureChanged(CSomWnd& button, bool& pressed);
    static void SetHover(CSomWnd& button, bool& hover, bool value);
};
