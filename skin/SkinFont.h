// Owner of one font of the font table; null when the font could not be created.
#pragma once

#include <windows.h>

#include "skin/GdiHandle.h"

inline BOOL WINAPI DeleteSkinFont(HFONT font) {
    return DeleteObject(font);
}

using SkinFont = gdi::Owner<HFONT, DeleteSkinFont>;
