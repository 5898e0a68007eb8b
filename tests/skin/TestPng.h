// Writes images and screenshots for the skin tests; EncodePng builds them in memory.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/skin/PngEncode.h"
#include "tests/support/FileBytes.h"

// Writes 32-bit 0x00RRGGBB pixels as an RGB PNG.
void WriteScreenshot(const std::wstring& path, int width, int height,
                     const std::vector<DWORD>& pixels);
