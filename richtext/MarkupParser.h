// Label markup: plain UTF-16 text with "{&#...}" tags that switch font, colour and link.
#pragma once

#include <functional>

#include "richtext/StyledRun.h"

class MarkupParser {
public:
    // Font entries a "font=" tag may name; any other number leaves the font unchanged.
    static constexpr int kFirstFont = 1;
    static constexpr int kLastFont = 8;

    // Handle of font table entry n, kFirstFont <= n <= kLastFont.
    using FontLookup = std::function<FontHandle(int entry)>;
    // Receives each run the moment it is complete, in text order; `box`, `line` and
    // `advances` are left for the layout.
    using RunSink = std::function<void(StyledRun&& run)>;

    // Never fails: unknown tags are consumed, unmatched closing tags ignored, a "{&#" without
    // a later "}" is text. A null markup is the empty string.
    static void Parse(const wchar_t* markup, const FontLookup& fonts, const RunSink& sink);
};
