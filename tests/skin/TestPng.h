// Builds small PNG images in memory, and writes screenshots, for the skin tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// rows: height rows of width * channels samples; channels 3 (RGB) or 4 (RGBA).
std::vector<BYTE> EncodePng(int width, int height, int channels, const std::vector<BYTE>& rows);
void WriteBytes(const std::wstring& path, const std::vector<BYTE>& data);
// Writes 32-bit 0x00RRGGBB pixels as an RGB PNG.
void WriteScreenshot(const std::wstring& path, int width, int height,
                     const std::vector<DWORD>& pixels);
