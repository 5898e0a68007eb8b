// What one progress tick shows, from the manager's megabytes and speed: the bar position, the
// minutes left, and the two texts. Free of Win32 so that the arithmetic is tested as a table.
#pragma once

#include <string>

class ProgressFigures {
public:
    // The longest wait shown; a speed so low that the estimate runs past it shows this instead
    // of a count that no longer fits.
    static constexpr int kMaxMinutes = 99999;

    // d and t in megabytes, v in kilobytes per second (the manager's figure).
    static ProgressFigures Compute(double d, double t, double v);

    // " %.2lfKB/秒。"
    std::wstring SpeedText() const;
    // "总大小:%.2lfMB,已下载：%.2lfMB 估计系统安装成功时间为：%d分钟"
    std::wstring StatusText() const;

    double downloadedMb = 0;
    double totalMb = 0;
    double speed = 0;
    // 0 to 100: downloaded x 100 / total, truncated; 0 while the total is unknown.
    int position = 0;
    // (total - downloaded) x 1024 / speed seconds, in whole minutes; 0 while nothing moves.
    int minutes = 0;
};
