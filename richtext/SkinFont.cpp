#include "richtext/SkinFont.h"

SkinFont& SkinFont::operator=(SkinFont&& other) noexcept {
    if (this != &other) {
        Reset();
        m_hFont = other.m_hFont;
        other.m_hFont = nullptr;
    }
    return *this;
}

void SkinFont::Reset() {
    if (m_hFont) {
        DeleteObject(m_hFont);
        m_hFont = nullptr;
    }
}
