#pragma once

#include <span>

struct GlyphListEntry
{
    const char* name;
    char32_t character;
};

// The Adobe Glyph List 1.2 in its published order (by glyph name).
std::span<const GlyphListEntry> adobeGlyphList();
