// Owner of one GDI font handle.
#pragma once

#include <windows.h>

class SkinFont {
public:
    SkinFont() = default;
    // Takes ownership of `font`, which may be null (a font that could not be created).
    explicit SkinFont(HFONT font) : m_hFont(font) {}
    ~SkinFont() { Reset(); }

    SkinFont(const SkinFont&) = delete;
    SkinFont& operator=(const SkinFont&) = delete;
    SkinFont(SkinFont&& other) noexcept : m_hFont(other.m_hFont) { other.m_hFont = nullptr; }
    SkinFont& operator=(SkinFont&& other) noexcept;

    HFONT Get() const { return m_hFont; }
    void Reset();

private:
    HFONT m_hFont = nullptr;
};
