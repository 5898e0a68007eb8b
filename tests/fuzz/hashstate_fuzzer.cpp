// Any bytes as the hash state left beside a partial image: taking it up either refuses it or
// gives a state that is written down again as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "download/Sha256Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto restored =
        Sha256Stream::Restore(std::string(reinterpret_cast<const char*>(data), size));
    if (!restored)
        return 0;
    const std::string saved = restored->Save();
    const auto again = Sha256Stream::Restore(saved);
    if (!again || again->Save() != saved || again->Length() != restored->Length() ||
        again->Final() != restored->Final())
        std::abort();
    return 0;
}
