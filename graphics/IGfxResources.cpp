// Resource loading: bitmaps at the scale the screen needs (found under scaled names, redrawn
// when only another density exists), SVG images, raw resources and fonts, through the
// framework's resource lookup and the process-wide stores.

#include "core/FxPaths.h"
#include "graphics/IGfx.h"
#include "graphics/IGfxStores.h"
#include "graphics/svg/SVGParser.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace fx::gfx {

namespace {

// Scales to try for target t: t, then 4 down to t + 1, then t - 1 down to 1.
int NextScale(int s, int t)
{
  if (s == t && t != 4) return 4;
  if (s == t + 1) return t - 1;
  return s - 1;
}

// The part of name from the last dot after the last slash or backslash; empty without one.
const char* DottedExtension(const char* name)
{
  const char* dot = std::strrchr(name, '.');
  const char* slash = std::strrchr(name, '/');
  const char* backslash = std::strrchr(name, '\\');
  if (!dot || (slash && dot < slash) || (backslash && dot < backslash)) return name + std::strlen(name);
  return dot;
}

IBitmap Handle(APIBitmap* bitmap, int nStates, bool framesAreHorizontal, const char* name)
{
  const float scale = bitmap->GetScale() > 0.f ? bitmap->GetScale() : 1.f;
  return IBitmap(bitmap, static_cast<int>(bitmap->GetWidth() / scale), static_cast<int>(bitmap->GetHeight() / scale),
                 nStates, framesAreHorizontal, name);
}

// A decoded bitmap without pixels is a failed decode.
bool Usable(const APIBitmap* bitmap) { return bitmap && bitmap->GetWidth() > 0 && bitmap->GetHeight() > 0; }

} // namespace

int IGfx::SearchScaledBitmap(const char* name, const char* ext, FxString& path, int targetScale, int& sourceScale)
{
  if (!name || !*name) return kNotFound;
  const std::string stem(name, static_cast<size_t>(DottedExtension(name) - name));
  const char* dottedExt = DottedExtension(name);
  const int maxLen = static_cast<int>(std::strlen(name)) + 3;

  for (int s = targetScale; s >= 1; s = NextScale(s, targetScale))
  {
    FxString resName;
    if (s == 1) resName.Set(name);
    else resName.SetFormatted(maxLen, "%s@%dx%s", stem.c_str(), s, dottedExt);
    if (LocateResource(resName.Get(), ext, path, GetBundleID(), mSharedResourcesSubPath.Get()))
    {
      sourceScale = s;
      return kAbsolutePath;
    }
  }
  return kNotFound;
}

APIBitmap* IGfx::LoadBitmapFromCache(const char* name, int targetScale, int& sourceScale)
{
  BitmapStorage& store = GetBitmapStore();
  FxMutexLock lock(store.Mutex());
  for (int s = targetScale; s >= 1; s = NextScale(s, targetScale))
  {
    if (APIBitmap* bitmap = store.Find(name, s))
    {
      sourceScale = s;
      return bitmap;
    }
  }
  return nullptr;
}

IBitmap IGfx::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  return LoadBitmapWith(name, nStates, framesAreHorizontal, targetScale,
                        [&](int target, const char* ext, int& source, bool& loaded) -> APIBitmap* {
                          FxString path;
                          const int location = SearchScaledBitmap(name, ext, path, target, source);
                          if (location == kNotFound) return LoadBitmapFromCache(name, target, source);
                          if (source != target)
                          {
                            if (APIBitmap* stored = GetBitmapStore().Find(name, source)) return stored;
                          }
                          loaded = true;
                          return LoadAPIBitmap(path.Get(), source, static_cast<EResourceLocation>(location), ext);
                        });
}

IBitmap IGfx::LoadBitmap(const char* name, const void* data, int dataSize, int nStates, bool framesAreHorizontal,
                         int targetScale)
{
  return LoadBitmapWith(name, nStates, framesAreHorizontal, targetScale,
                        [&](int target, const char*, int& source, bool& loaded) -> APIBitmap* {
                          if (APIBitmap* stored = LoadBitmapFromCache(name, target, source)) return stored;
                          if (!data || dataSize <= 0) return nullptr;
                          loaded = true;
                          return LoadAPIBitmap(name, data, dataSize, 1);
                        });
}

IBitmap IGfx::LoadBitmapWith(const char* name, int nStates, bool framesAreHorizontal, int targetScale,
                             const std::function<APIBitmap*(int, const char*, int&, bool&)>& find)
{
  if (!name || !*name) return IBitmap();
  const int target = targetScale == 0 ? static_cast<int>(mScreenScale) : targetScale;
  // Held for the whole load, so that one bitmap is never decoded twice under one key.
  BitmapStorage& store = GetBitmapStore();
  FxMutexLock lock(store.Mutex());

  if (APIBitmap* cached = store.Find(name, target)) return Handle(cached, nStates, framesAreHorizontal, name);

  const char* dot = std::strrchr(name, '.');
  const char* ext = dot ? dot + 1 : name;
  if (!BitmapExtSupported(ext)) return IBitmap();

  int source = target;
  bool loaded = false;
  APIBitmap* bitmap = find(target, ext, source, loaded);
  if (!Usable(bitmap))
  {
    // Nothing found, or a file that did not decode: an empty bitmap, and nothing kept.
    if (loaded) delete bitmap;
    return IBitmap();
  }
  const IBitmap found = Handle(bitmap, nStates, framesAreHorizontal, name);
  if (bitmap->GetScale() != static_cast<float>(target))
  {
    const IBitmap scaled = ScaleBitmap(found, name, target);
    if (loaded) delete bitmap;
    return scaled;
  }
  if (loaded) RetainBitmap(found, name);
  return found;
}

IBitmap IGfx::ScaleBitmap(const IBitmap& bitmap, const char* cacheName, int targetScale)
{
  APIBitmap* source = bitmap.GetAPIBitmap();
  if (!source || targetScale < 1) return IBitmap();
  const float drawScale = source->GetDrawScale() > 0.f ? source->GetDrawScale() : 1.f;

  const float screenScale = mScreenScale;
  const float editorDrawScale = mDrawScale;
  mScreenScale = static_cast<float>(targetScale);
  mDrawScale = drawScale;

  const IRECT bounds(0.f, 0.f, bitmap.W() / drawScale, bitmap.H() / drawScale);
  StartLayer(nullptr, bounds, true);
  const bool started = GetCurrentLayer() != nullptr;
  if (started) DrawBitmap(bitmap, bounds, 0, 0, nullptr);
  ILayerPtr layer = started ? EndLayer() : nullptr;

  mScreenScale = screenScale;
  mDrawScale = editorDrawScale;

  if (!layer || !layer->GetAPIBitmap()) return IBitmap();
  const IBitmap scaled =
    Handle(layer->ReleaseAPIBitmap(), bitmap.N(), bitmap.GetFramesAreHorizontal(), cacheName ? cacheName : "");
  RetainBitmap(scaled, cacheName);
  return scaled;
}

void IGfx::RetainBitmap(const IBitmap& bitmap, const char* cacheName)
{
  APIBitmap* api = bitmap.GetAPIBitmap();
  if (!api) return;
  BitmapStorage& store = GetBitmapStore();
  FxMutexLock lock(store.Mutex());
  store.Add(api, cacheName, api->GetScale());
}

void IGfx::ReleaseBitmap(const IBitmap& bitmap)
{
  BitmapStorage& store = GetBitmapStore();
  FxMutexLock lock(store.Mutex());
  store.Remove(bitmap.GetAPIBitmap());
}

ISVG IGfx::LoadSVG(const char* name, const char* units, float dpi)
{
  if (!name || !*name) return ISVG();
  SVGStorage& store = GetSVGStore();
  FxMutexLock lock(store.Mutex());
  if (svg::SVGImage* cached = store.Find(name, 1.0)) return ISVG(cached);

  const IByteBuffer buffer = LoadResource(name, "svg");
  if (buffer.Empty()) return ISVG();
  return LoadSVG(name, buffer.Get(), buffer.GetSize(), units, dpi);
}

ISVG IGfx::LoadSVG(const char* name, const void* data, int dataSize, const char* units, float dpi)
{
  if (!name || !data) return ISVG();
  SVGStorage& store = GetSVGStore();
  FxMutexLock lock(store.Mutex());
  if (svg::SVGImage* cached = store.Find(name, 1.0)) return ISVG(cached);

  // The text ends at the first NUL within the given size (or at the first NUL at all).
  const char* text = static_cast<const char*>(data);
  const size_t length = dataSize > 0 ? strnlen(text, static_cast<size_t>(dataSize)) : std::strlen(text);
  const std::string copy(text, length);
  svg::SVGImage* image = svg::SVGParse(copy.c_str(), copy.size(), units, dpi);
  if (!image) return ISVG();
  if (!store.Add(image, name, 1.0)) return ISVG();
  return ISVG(image);
}

IByteBuffer IGfx::LoadResource(const char* name, const char* type)
{
  IByteBuffer result;
  FxString path;
  if (!LocateResource(name, type, path, GetBundleID(), mSharedResourcesSubPath.Get())) return result;

  FILE* file = std::fopen(path.Get(), "rb");
  if (!file) return result;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size > 0 && size <= INT_MAX && std::fseek(file, 0, SEEK_SET) == 0 && result.Resize(static_cast<int>(size)) &&
      result.GetSize() == static_cast<int>(size))
  {
    // A file that shrank since its size was taken gives nothing.
    if (std::fread(result.Get(), 1, static_cast<size_t>(size), file) != static_cast<size_t>(size)) result.Resize(0);
  }
  else
  {
    result.Resize(0);
  }
  std::fclose(file);
  return result;
}

bool IGfx::RegisterFont(const char* fontID, const PlatformFontPtr& font)
{
  if (!font || !LoadAPIFont(fontID, font)) return false;
  CachePlatformFont(fontID, font);
  return true;
}

bool IGfx::LoadFont(const char* fontID, const char* fileNameOrResID)
{
  return RegisterFont(fontID, LoadPlatformFont(fontID, fileNameOrResID));
}

bool IGfx::LoadFont(const char* fontID, void* data, int dataSize)
{
  return RegisterFont(fontID, LoadPlatformFont(fontID, data, dataSize));
}

bool IGfx::LoadFont(const char* fontID, const char* fontName, ETextStyle style)
{
  return RegisterFont(fontID, LoadPlatformFont(fontID, fontName, style));
}

} // namespace fx::gfx
