// What a benchmark run costs this process: CPU time and peak working set.
#pragma once

#include <string>

// "bytes=N wall=S mib_per_s=R cpu=C peak_ws_mib=M", one line for the benchmark script.
std::string ResultLine(long long bytes, double wallSeconds);
