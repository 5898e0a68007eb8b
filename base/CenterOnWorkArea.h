// Placing a top-level window.
#pragma once

#include <windows.h>

// Centres a top-level window without a visible owner on the work area of its monitor, kept
// inside the work area when it is larger than what is left.
void CenterOnWorkArea(HWND window);
