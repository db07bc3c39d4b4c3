#include "tests/graphics/RecordingGfx.h"

#include "core/IGEditorDelegate.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace fx::gfx::test {

namespace {

std::vector<double> PatternArgs(const IPattern& p)
{
  std::vector<double> a = {static_cast<double>(p.mType), static_cast<double>(p.mExtend), static_cast<double>(p.mNStops)};
  for (int i = 0; i < p.mNStops; ++i)
  {
    const IColorStop& s = p.mStops[i];
    a.insert(a.end(), {static_cast<double>(s.mColor.A), static_cast<double>(s.mColor.R), static_cast<double>(s.mColor.G),
                       static_cast<double>(s.mColor.B), s.mOffset});
  }
  return a;
}

// "W H" in the file or bytes gives a bitmap of that pixel size; anything else does not decode.
APIBitmap* Decode(const std::string& text, int scale)
{
  int w = 0, h = 0;
  if (std::sscanf(text.c_str(), "%d %d", &w, &h) != 2 || w <= 0 || h <= 0) return nullptr;
  return new FakeBitmap(w, h, static_cast<float>(scale));
}

} // namespace

RecordingGfx::RecordingGfx(IGEditorDelegate& dlg, int w, int h, int fps, float scale) : IGfx(dlg, w, h, fps, scale) {}

RecordingGfx::~RecordingGfx() = default;

std::vector<std::string> RecordingGfx::Ops() const
{
  std::vector<std::string> ops;
  for (const Call& c : calls) ops.push_back(c.op);
  return ops;
}

int RecordingGfx::Count(const std::string& op) const
{
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.op == op; }));
}

const Call* RecordingGfx::Find(const std::string& op) const
{
  for (const Call& c : calls)
    if (c.op == op) return &c;
  return nullptr;
}

std::vector<Call> RecordingGfx::All(const std::string& op) const
{
  std::vector<Call> out;
  for (const Call& c : calls)
    if (c.op == op) out.push_back(c);
  return out;
}

void RecordingGfx::PathStroke(const IPattern& pattern, float thickness, const IStrokeStyle& options, const IBlend* blend)
{
  std::vector<double> a = PatternArgs(pattern);
  a.insert(a.end(), {thickness, options.mMiterLimit, static_cast<double>(options.mCap),
                     static_cast<double>(options.mJoin), static_cast<double>(options.mDashCount),
                     options.mDashArray[0], options.mDashOffset, options.mPreserve ? 1.0 : 0.0, BlendWeight(blend)});
  Rec("PathStroke", std::move(a));
}

void RecordingGfx::PathFill(const IPattern& pattern, const IFillStyle& options, const IBlend* blend)
{
  std::vector<double> a = PatternArgs(pattern);
  a.insert(a.end(), {static_cast<double>(options.mFillRule), options.mPreserve ? 1.0 : 0.0, BlendWeight(blend)});
  Rec("PathFill", std::move(a));
}

void RecordingGfx::DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY, const IBlend* blend)
{
  Rec("DrawBitmap",
      {bounds.L, bounds.T, bounds.R, bounds.B, static_cast<double>(srcX), static_cast<double>(srcY), BlendWeight(blend)},
      bitmap.GetResourceName().Get(), bitmap.GetAPIBitmap());
}

bool RecordingGfx::BitmapExtSupported(const char* ext)
{
  std::string lower(ext ? ext : "");
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  return lower.find("png") != std::string::npos || lower.find("jpg") != std::string::npos ||
         lower.find("jpeg") != std::string::npos;
}

APIBitmap* RecordingGfx::LoadAPIBitmap(const char* path, int scale, EResourceLocation location, const char* /*ext*/)
{
  Rec("LoadAPIBitmap", {static_cast<double>(scale), static_cast<double>(location)}, path);
  std::string text;
  if (FILE* f = std::fopen(path, "rb"))
  {
    char buf[64] = {};
    text.assign(buf, std::fread(buf, 1, sizeof(buf) - 1, f));
    std::fclose(f);
  }
  return Decode(text, scale);
}

APIBitmap* RecordingGfx::LoadAPIBitmap(const char* name, const void* data, int dataSize, int scale)
{
  Rec("LoadAPIBitmapData", {static_cast<double>(scale)}, name);
  return Decode(std::string(static_cast<const char*>(data), static_cast<size_t>(std::max(dataSize, 0))), scale);
}

APIBitmap* RecordingGfx::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable)
{
  Rec("CreateAPIBitmap", {static_cast<double>(width), static_cast<double>(height), scale, drawScale, cacheable ? 1.0 : 0.0});
  return new FakeBitmap(width, height, scale, static_cast<float>(drawScale));
}

bool RecordingGfx::LoadAPIFont(const char* fontID, const PlatformFontPtr& font)
{
  Rec("LoadAPIFont", {}, fontID, font.get());
  return acceptFonts;
}

void RecordingGfx::GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data)
{
  Rec("GetLayerBitmapData");
  if (layerPixels) layerPixels(*layer, data);
}

void RecordingGfx::SetLayerBitmapData(const ILayerPtr& /*layer*/, const RawBitmapData& data)
{
  Rec("SetLayerBitmapData", {static_cast<double>(data.GetSize())});
}

void RecordingGfx::ApplyShadowMask(const ILayerPtr& /*layer*/, RawBitmapData& mask, const IShadow& shadow)
{
  Rec("ApplyShadowMask", {shadow.mBlurSize, shadow.mXOffset, shadow.mYOffset, shadow.mOpacity});
  lastShadowMask = mask;
}

float RecordingGfx::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  Rec("DoMeasureText", {bounds.L, bounds.T, bounds.R, bounds.B}, str);
  const float w = charWidth * static_cast<float>(std::strlen(str));
  bounds = IRECT(bounds.L, bounds.T, bounds.L + w, bounds.T + text.mSize);
  return w;
}

void RecordingGfx::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend)
{
  Rec("DoDrawText", {bounds.L, bounds.T, bounds.R, bounds.B, text.mSize, BlendWeight(blend)}, str);
}

void RecordingGfx::HideMouseCursor(bool hide, bool lock)
{
  Rec("HideMouseCursor", {hide ? 1.0 : 0.0, lock ? 1.0 : 0.0});
  if (hide != CursorIsHidden()) SetCursorHidden(hide, hide && lock);
}

void* RecordingGfx::OpenWindow(void* /*pParent*/)
{
  Rec("OpenWindow");
  mOpen = true;
  IGEditorDelegate* dlg = GetDelegate();
  dlg->SetEditorReady(true);
  dlg->LayoutUI(this);
  dlg->OnUIOpen();
  return this;
}

void RecordingGfx::CloseWindow()
{
  Rec("CloseWindow");
  mOpen = false;
  OnViewDestroyed();
  RemoveAllControls();
}

EMessageBoxResult RecordingGfx::ShowMessageBox(const char* str, const char* caption, EMessageBoxButtons buttons,
                                               IMsgBoxCompletionHandlerFunc completionHandler)
{
  Rec("ShowMessageBox", {static_cast<double>(buttons)}, std::string(str ? str : "") + "|" + (caption ? caption : ""));
  if (completionHandler) completionHandler(kOK);
  return kOK;
}

void RecordingGfx::PromptForFile(FxString& fileName, FxString& path, EFilePromptAction action, const char* ext)
{
  Rec("PromptForFile", {static_cast<double>(action)}, ext ? ext : "");
  fileName.Clear();
  path.Clear();
}

bool RecordingGfx::PromptForColor(IColor& color, const char* prompt, IColorPickerHandlerFunc func)
{
  Rec("PromptForColor", {}, prompt ? prompt : "");
  if (func) func(color);
  return true;
}

PlatformFontPtr RecordingGfx::LoadPlatformFont(const char* fontID, const char* fileNameOrResID)
{
  Rec("LoadPlatformFont", {}, std::string(fontID) + "|" + (fileNameOrResID ? fileNameOrResID : ""));
  return platformHasFont ? std::make_unique<FakeFont>(fontID) : nullptr;
}

PlatformFontPtr RecordingGfx::LoadPlatformFont(const char* fontID, void* /*data*/, int dataSize)
{
  Rec("LoadPlatformFontData", {static_cast<double>(dataSize)}, fontID);
  return platformHasFont ? std::make_unique<FakeFont>(fontID) : nullptr;
}

PlatformFontPtr RecordingGfx::LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style)
{
  Rec("LoadPlatformFontFamily", {static_cast<double>(style)}, std::string(fontID) + "|" + (fontName ? fontName : ""));
  return platformHasFont ? std::make_unique<FakeFont>(fontID) : nullptr;
}

void RecordingGfx::CachePlatformFont(const char* fontID, const PlatformFontPtr& font)
{
  Rec("CachePlatformFont", {}, fontID, font.get());
}

void RecordingGfx::CreatePlatformTextEntry(int paramIdx, const IText& /*text*/, const IRECT& bounds, int length,
                                           const char* str)
{
  Rec("CreatePlatformTextEntry",
      {static_cast<double>(paramIdx), bounds.L, bounds.T, bounds.R, bounds.B, static_cast<double>(length)}, str);
}

IPopupMenu* RecordingGfx::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync)
{
  Rec("CreatePlatformPopupMenu", {bounds.L, bounds.T, bounds.R, bounds.B, static_cast<double>(menu.NItems())},
      menu.GetRootTitle(), &menu);
  lastMenu = &menu;
  isAsync = menuAsync;
  if (menuAsync || menuChoice < 0) return nullptr;
  menu.SetChosenItemIdx(menuChoice);
  return &menu;
}

} // namespace fx::gfx::test
