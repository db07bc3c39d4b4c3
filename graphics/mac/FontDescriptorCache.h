// The process-wide cache of CoreText font descriptors, one per font id at
// scale 1, each with the EM ratio of its font (units per em over ascender -
// descender), from which the native text field sizes its font. Counted by
// the IGfxMac objects alive; emptied when the last one goes and at process
// exit. Every call holds the cache's recursive mutex. Any thread.
#pragma once

#include <CoreText/CTFontDescriptor.h>

#include "graphics/PlatformFont.h"
#include "graphics/StaticStorage.h"

namespace fx::gfx {

struct FontDescriptorCacheEntry {
  CTFontDescriptorRef descriptor = nullptr;  // retained by the cache
  double emRatio = 0.0;
};

struct FontDescriptorCacheEntryDeleter {
  void operator()(FontDescriptorCacheEntry* entry) const;
};

using FontDescriptorCache = StaticStorage<FontDescriptorCacheEntry, FontDescriptorCacheEntryDeleter>;

FontDescriptorCache& GetFontDescriptorCache();

// Adds an entry for fontID when there is none (an existing entry is never
// replaced). A font without a descriptor, or whose data has no usable face
// (no sizes: units per em or ascender - descender of 0), adds nothing.
void AddCachedFontDescriptor(const char* fontID, const PlatformFont& font, FontDescriptorCache& cache);
// The entry of fontID, or null.
FontDescriptorCacheEntry* FindCachedFontDescriptor(const char* fontID, FontDescriptorCache& cache);
void ClearFontDescriptorCache(FontDescriptorCache& cache);

}  // namespace fx::gfx
