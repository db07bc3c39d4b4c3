#include "graphics/mac/FontDescriptorCache.h"

#include <memory>

#include "graphics/mac/FontData.h"

namespace fx::gfx {

void FontDescriptorCacheEntryDeleter::operator()(FontDescriptorCacheEntry* entry) const {
  if (entry == nullptr) return;
  if (entry->descriptor != nullptr) CFRelease(entry->descriptor);
  delete entry;
}

FontDescriptorCache& GetFontDescriptorCache() {
  static FontDescriptorCache cache;
  return cache;
}

void AddCachedFontDescriptor(const char* fontID, const PlatformFont& font, FontDescriptorCache& cache) {
  FxMutexLock lock(cache.Mutex());
  auto descriptor = static_cast<CTFontDescriptorRef>(font.GetDescriptor());
  const std::unique_ptr<FontData> data(font.GetFontData());
  if (descriptor == nullptr || data == nullptr || !data->IsValid()) return;
  if (cache.Find(fontID, 1.0) != nullptr) return;
  auto* entry = new FontDescriptorCacheEntry{static_cast<CTFontDescriptorRef>(CFRetain(descriptor)), data->EMRatio()};
  cache.Add(entry, fontID, 1.0);
}

FontDescriptorCacheEntry* FindCachedFontDescriptor(const char* fontID, FontDescriptorCache& cache) {
  FxMutexLock lock(cache.Mutex());
  return cache.Find(fontID, 1.0);
}

void ClearFontDescriptorCache(FontDescriptorCache& cache) {
  FxMutexLock lock(cache.Mutex());
  cache.Clear();
}

}  // namespace fx::gfx
