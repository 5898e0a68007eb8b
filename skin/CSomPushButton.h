// Base of the push buttons: hover, press, capture and click handling, so that a button only
// draws. A command goes out only when a press is released over the button.
#pragma once

#include "skin/CSomWnd.h"

class CSomPushButton : public CSomWnd {
public:
    // Drawn over the owner's background, neither hovered nor pressed.
    void OnCreate() override;
    // The capture went elsewhere (another window took it) while pressed: the press is
    // cancelled and no command goes out, as nothing was released over the button.
    void OnCaptureChanged() override;
    // A press (or the second press of a double click) takes the capture.
    BOOL OnLButtonDown(const POINT& pt) override;
    BOOL OnLButtonDblClk(const POINT& pt) override;
    // Releasing ends the press, gives the capture back and sends the command when the pointer
    // is still over the button. The command may destroy or block the window: nothing of the
    // button is touched after it.
    BOOL OnLButtonUp(const POINT& pt) override;
    void OnMouseEnter(const POINT& pt) override;
    void OnMouseLeave() override;

    // Frame of a four-frame background: 0 normal, 1 hover, 2 pressed, 3 disabled.
    int State() const;

    bool m_bHover = false;
    bool m_bPressed = false;

protected:
    void Redraw();

private:
    BOOL Press();
    void SetHover(bool hover);
};
