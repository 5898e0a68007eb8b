// Any text as label markup, and every link it makes as a click target: the parser never fails,
// so every input must come back as runs that hold no more text than went in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "richtext/LinkTarget.h"
#include "richtext/MarkupParser.h"
#include "tests/fuzz/FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring markup = fuzztext::WideFromBytes(data, size);
    size_t textLength = 0;
    MarkupParser::Parse(
        markup.c_str(),
        [](int entry) { return reinterpret_cast<FontHandle>(static_cast<uintptr_t>(entry)); },
        [&](StyledRun&& run) {
            textLength += run.text.size();
            if (!run.link.empty())
                LinkTarget::Classify(run.link);
        });
    if (textLength > markup.size())
        std::abort();
    return 0;
}
