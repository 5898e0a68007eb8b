// Any bytes as the configuration server's answer: the parser must reject or accept them without
// fault, and an accepted document must name an expression.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "base/CloudConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream document(std::string(reinterpret_cast<const char*>(data), size));
    CloudConfig config;
    if (ParseConfig(document, config) && config.linkRegex.empty() &&
        std::string(reinterpret_cast<const char*>(data), size).find("regex") == std::string::npos)
        std::abort();
    return 0;
}
