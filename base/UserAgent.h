// The browser name every request of the program gives: the configuration host, the share pages
// and the image mirrors all see the same client.
#pragma once

inline constexpr char kUserAgent[] = "Opera/9.27 (Windows NT 5.2; U; zh-cn) ";
