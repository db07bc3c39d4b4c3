// The vector-renderer binding's fonts: the process-wide store of font files' bytes, loaded once
// per font id and kept for every editor until the last one goes (the renderer never owns them).

#include "graphics/mac/IGfxVG.h"

#include "graphics/mac/FontData.h"

#include <memory>

namespace fx::gfx {

namespace {

using FontDataStore = StaticStorage<FontData>;

// Emptied when the last editor goes; destroyed at process exit.
FontDataStore& FontStore()
{
  static FontDataStore store;
  return store;
}

constexpr double kFontScale = 1.0;

} // namespace

void IGfxVG::RetainFontStore() { FontStore().Retain(); }
void IGfxVG::ReleaseFontStore() { FontStore().Release(); }

FontData* IGfxVG::FindFontData(const char* name, double scale) { return FontStore().Find(name, scale); }

bool IGfxVG::AddFontData(FontData* data, const char* name, double scale) { return FontStore().Add(data, name, scale); }

void IGfxVG::ClearFontStorage() { FontStore().Clear(); }

int IGfxVG::NStoredFonts() { return FontStore().NEntries(); }

int IGfxVG::FontStoreUsers() { return FontStore().Count(); }

bool IGfxVG::LoadAPIFont(const char* fontID, const PlatformFontPtr& font)
{
  if (!mVG || !fontID || !*fontID) return false;
  FxMutexLock lock(FontStore().Mutex());

  if (const FontData* stored = FindFontData(fontID, kFontScale))
  {
    auto* bytes = stored->GetSize() > 0 ? const_cast<uint8_t*>(stored->GetBytes()) : nullptr;
    return vgrCreateFontFromMemoryAtIndex(mVG, fontID, bytes, stored->GetSize(), stored->GetFaceIndex(), 0) != -1;
  }

  if (!font) return false;
  std::unique_ptr<FontData> data(font->GetFontData());
  if (!data || data->GetSize() <= 0 || data->GetFaceIndex() < 0 || !data->IsValid()) return false;
  // Stored before the renderer sees the bytes, so they outlive every font made from them.
  FontData* kept = data.release();
  if (!AddFontData(kept, fontID, kFontScale)) return false;
  if (vgrCreateFontFromMemoryAtIndex(mVG, fontID, const_cast<uint8_t*>(kept->GetBytes()), kept->GetSize(),
                                     kept->GetFaceIndex(), 0) == -1)
  {
    FontStore().Remove(kept);
    return false;
  }
  return true;
}

} // namespace fx::gfx
