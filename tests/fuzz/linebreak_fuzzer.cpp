// Any markup laid out at any line width with any character widths: breaking and justifying must
// keep every character, in order, on lines that only go down.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "richtext/LineBreaker.h"
#include "richtext/LineJustifier.h"
#include "richtext/MarkupParser.h"
#include "tests/fuzz/FuzzText.h"

namespace {

// Each character is as wide as its code's low bits say, scaled by the input's first byte: zero,
// narrow, wide and wider than any line all occur.
class ArbitraryWidthMeasurer : public TextMeasurer {
public:
    explicit ArbitraryWidthMeasurer(int scale) : m_scale(scale) {}
    TextExtent Measure(FontHandle font, const wchar_t* text, int length) override {
        TextExtent extent;
        for (int i = 0; i < length; ++i)
            extent.cx += static_cast<int>(static_cast<std::uint32_t>(text[i]) % 17) * m_scale;
        extent.cy = 8 + static_cast<int>(reinterpret_cast<uintptr_t>(font) % 9);
        return extent;
    }

private:
    int m_scale;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const int scale = data[0] % 8;
    // Widths from negative through far wider than any label.
    const int lineWidth = static_cast<int>(static_cast<std::int8_t>(data[1])) * 8;
    const int lineHeight = data[2] % 40;
    const std::wstring markup = fuzztext::WideFromBytes(data + 3, size - 3);

    ArbitraryWidthMeasurer measurer(scale);
    const FontHandle defaultFont = reinterpret_cast<FontHandle>(static_cast<uintptr_t>(1));
    LineBreaker breaker(measurer, defaultFont, lineWidth, lineHeight);
    std::vector<StyledRun> segments;
    std::wstring parsed;
    MarkupParser::Parse(
        markup.c_str(),
        [](int entry) { return reinterpret_cast<FontHandle>(static_cast<uintptr_t>(entry)); },
        [&](StyledRun&& run) {
            parsed += run.text;
            breaker.AddRun(run, segments);
        });
    JustifyLines(segments, lineWidth);

    std::wstring laidOut;
    int line = 0;
    for (const StyledRun& s : segments) {
        laidOut += s.text;
        if (s.line < line || s.advances.size() > s.text.size())
            std::abort();
        line = s.line;
    }
    if (laidOut != parsed)
        std::abort();
    return 0;
}
