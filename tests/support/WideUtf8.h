// Wide text as UTF-8, for printing it in failure messages; built on every platform.
#pragma once

#include <string>

namespace testenv {

// UTF-16 (Windows) or UTF-32 (elsewhere) to UTF-8. A lone surrogate becomes U+FFFD.
std::string Utf8(const std::wstring& text);

}  // namespace testenv
