#include "tests/plugin/editor/EditorTestSupport.h"

#include "plugin/ORBEX9Defs.h"

#include <CoreFoundation/CFBundleRegistry.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace editortest {

using namespace fx::gfx;

fx::gfx::APIBitmap* EditorTestGfx::LoadAPIBitmap(const char* path, int scale, EResourceLocation /*location*/,
                                                 const char* /*ext*/)
{
  unsigned char header[24] = {};
  FILE* f = std::fopen(path, "rb");
  if (!f) return nullptr;
  const size_t n = std::fread(header, 1, sizeof(header), f);
  std::fclose(f);
  if (n != sizeof(header) || header[1] != 'P' || header[2] != 'N' || header[3] != 'G') return nullptr;
  auto be32 = [&](int at) {
    return static_cast<int>((header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3]);
  };
  return new test::FakeBitmap(be32(16), be32(20), static_cast<float>(scale));
}

IPopupMenu* EditorTestGfx::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync)
{
  RecordingGfx::CreatePlatformPopupMenu(menu, bounds, isAsync);
  menus.push_back(&menu);
  const std::vector<int> path = std::move(menuPath);
  menuPath.clear();
  IPopupMenu* level = &menu;
  for (size_t i = 0; i < path.size() && level; ++i)
  {
    level->SetChosenItemIdx(path[i]);
    IPopupMenu::Item* item = level->GetChosenItem();
    if (i + 1 == path.size() || !item || !item->GetSubmenu()) return level;
    level = item->GetSubmenu();
  }
  menu.SetChosenItemIdx(-1);
  return nullptr;
}

void EditorTestGfx::PromptForFile(fx::FxString& fileName, fx::FxString& path, EFilePromptAction action,
                                  const char* ext)
{
  dialogFolders.emplace_back(path.Get());
  RecordingGfx::PromptForFile(fileName, path, action, ext); // records, empties both
  if (fileAnswer.empty()) return;
  fileName.Set(fileAnswer.c_str());
  const size_t slash = fileAnswer.rfind('/');
  path.Set(fileAnswer.substr(0, slash == std::string::npos ? 0 : slash).c_str());
}

std::vector<test::Call> EditorTestGfx::Bitmaps(const std::string& name) const
{
  std::vector<test::Call> out;
  for (const test::Call& c : calls)
    if (c.op == "DrawBitmap" && c.s == name) out.push_back(c);
  return out;
}

void RegisterEditorResources()
{
  static std::once_flag once;
  std::call_once(once, [] {
    const char* source = std::getenv("ORBEX_SOURCE_DIR");
    const std::string root = source ? source : ".";
    cfx::BundleDescription d;
    d.identifier = orbex9::kBundleID;
    d.bundlePath = root + "/resources";
    d.resourcesPath = root + "/resources/editor";
    cfx::RegisterBundle(d);
  });
}

ProductHome::ProductHome()
{
  RegisterEditorResources();
  fx::IAUCreateInfo info;
  info.mCocoaViewName.Set("ORBEX9_View");
  plug = std::make_unique<LoggingPlug>(info);
}

EditorDriver::EditorDriver(ORBEX9& plug) : mPlug(plug)
{
  RegisterEditorResources();
  mPlug.SetMakeGraphicsFunc([this]() -> fx::gfx::IGfxLink* {
    auto* g = new EditorTestGfx(mPlug, orbex9::kEditorWidth, orbex9::kEditorHeight, orbex9::kEditorFPS,
                                static_cast<float>(mPlug.GetGUIScale()));
    g->SetClock(clock.Func());
    g->SetBundleID(orbex9::kBundleID);
    g->ready = drawContextReady;
    return g;
  });
}

EditorDriver::~EditorDriver() { Close(); }

void EditorDriver::Open()
{
  mPlug.OpenWindow(nullptr);
  gfx = dynamic_cast<EditorTestGfx*>(mPlug.GetGraphics());
}

void EditorDriver::OpenEmpty()
{
  mPlug.SetLayoutFunc([](IGfx*) {});
  Open();
}

void EditorDriver::Close()
{
  mPlug.CloseWindow();
  gfx = nullptr;
}

namespace {

IMouseInfo Point(float x, float y, const IMouseMod& mod, float dX = 0.f, float dY = 0.f)
{
  IMouseInfo p;
  p.x = x;
  p.y = y;
  p.dX = dX;
  p.dY = dY;
  p.ms = mod;
  return p;
}

} // namespace

void EditorDriver::Down(float x, float y, const IMouseMod& mod) { gfx->OnMouseDown({Point(x, y, mod)}); }
void EditorDriver::Up(float x, float y, const IMouseMod& mod) { gfx->OnMouseUp({Point(x, y, mod)}); }

void EditorDriver::Click(float x, float y, const IMouseMod& mod)
{
  Down(x, y, mod);
  Up(x, y, mod);
}

void EditorDriver::DblClick(float x, float y, const IMouseMod& mod)
{
  gfx->OnMouseDblClick(x, y, mod);
  Up(x, y, mod);
}

void EditorDriver::Drag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  Down(x, y, mod);
  gfx->OnMouseDrag({Point(x + dX, y + dY, mod, dX, dY)});
  Up(x + dX, y + dY, mod);
}

void EditorDriver::Move(float x, float y) { gfx->OnMouseOver(x, y, IMouseMod()); }

void EditorDriver::Wheel(float x, float y, float delta, const IMouseMod& mod) { gfx->OnMouseWheel(x, y, mod, delta); }

bool EditorDriver::Frame()
{
  IRECTList rects;
  if (!gfx->IsDirty(rects)) return false;
  gfx->DrawDirtyRects(rects);
  return true;
}

} // namespace editortest
