#include "skin/CSomProgressCtrl.h"

#include "skin/SkinImages.h"

void CSomProgressCtrl::OnPaint(HDC dc, int, int) {
    const int width = m_rc.right - m_rc.left;
    SkinImages::ProgressTrack().DrawHorizontal(dc, 0, 0, width, 0);
    if (m_nRange != 0) {
        const long long fill = static_cast<long long>(width) * m_nPos / m_nRange;
        SkinImages::ProgressFill().DrawHorizontal(dc, 0, 0, static_cast<int>(fill), 0);
    }
}
