#include "skin/PaintBuffer.h"

namespace {
PaintBuffer& Instance() {
    static PaintBuffer buffer;
    return buffer;
}
// Created during start-up, before any window exists.
const bool g_created = (Instance(), true);
}  // namespace

HDC PaintBuffer::Get() {
    return Instance().m_hDC.Get();
}

PaintBuffer::PaintBuffer() {
    gdi::MemoryDC dc;
    gdi::Bitmap bitmap;
    {
        const gdi::WindowDC screen(nullptr);
        dc.Reset(CreateCompatibleDC(screen.Get()));
        bitmap.Reset(CreateCompatibleBitmap(screen.Get(), kWidth, kHeight));
    }
    if (!dc || !bitmap)
        return;
    m_hPrevious = SelectObject(dc.Get(), bitmap.Get());
    m_hDC = std::move(dc);
    m_hBitmap = std::move(bitmap);
}

PaintBuffer::~PaintBuffer() {
    if (m_hDC && m_hPrevious)
        SelectObject(m_hDC.Get(), m_hPrevious);
}
