#include "workflow/ProgressFigures.h"

#include <cmath>
#include <cwchar>

namespace {

double Finite(double value) {
    return std::isfinite(value) ? value : 0;
}

}  // namespace

ProgressFigures ProgressFigures::Compute(double d, double t, double v) {
    ProgressFigures f;
    f.downloadedMb = Finite(d);
    f.totalMb = Finite(t);
    f.speed = Finite(v);
    if (f.totalMb > 0) {
        // Counters read while the worker writes them may briefly pass the total or fall
        // behind zero: the bar stays in its range, and no out-of-range double meets an int.
        const double percent = std::trunc(f.downloadedMb * 100 / f.totalMb);
        f.position = percent <= 0 ? 0 : percent >= 100 ? 100 : static_cast<int>(percent);
    }
    if (f.speed > 0) {
        const double seconds = std::trunc((f.totalMb - f.downloadedMb) * 1024 / f.speed);
        const double minutes = std::trunc(seconds / 60);
        f.minutes = !(minutes > 0)           ? 0
                    : minutes >= kMaxMinutes ? kMaxMinutes
                                             : static_cast<int>(minutes);
    }
    return f;
}

std::wstring ProgressFigures::SpeedText() const {
    wchar_t text[48];
    std::swprintf(text, 48, L" %.2fKB/秒。", speed);
    return text;
}

std::wstring ProgressFigures::StatusText() const {
    wchar_t text[148];
    std::swprintf(text, 148, L"总大小:%.2fMB,已下载：%.2fMB 估计系统安装成功时间为：%d分钟",
                  totalMb, downloadedMb, minutes);
    return text;
}
