#pragma once
// The product's editor as the tests use it: the real plug-in (logging the actions its editor
// sends) with the real layout and controls, drawn by the recording back end. The back end reads
// the artwork's real sizes from the PNG files of resources/editor (registered as the plug-in's
// bundle), answers platform menus along a scripted path of item positions and file dialogs with a
// scripted path, and runs on a manual clock.

#include "graphics/IControl.h"
#include "graphics/IGfx.h"
#include "plugin/ORBEX9.h"
#include "tests/graphics/GfxTestSupport.h"
#include "tests/plugin/ProductPlug.h"
#include "tests/plugin/TempHome.h"

#include <memory>
#include <string>
#include <vector>

namespace editortest {

using fx::gfx::IMouseMod;
using fx::gfx::IRECT;

/** Modifier sets of pointer events. */
inline IMouseMod Mods(bool shift = false, bool control = false, bool right = false)
{
  return IMouseMod(!right, right, shift, control);
}

class EditorTestGfx : public fx::gfx::test::RecordingGfx
{
public:
  using RecordingGfx::RecordingGfx;

  bool ready = true;
  /** Item positions chosen in the next platform menu, level by level (the top menu's item, then
   *  the item of its submenu, ...); empty: the menu is dismissed. Used once. */
  std::vector<int> menuPath;
  /** The menus shown, top level, in order. */
  std::vector<fx::gfx::IPopupMenu*> menus;
  /** The next file dialogs' answer: a full path, or empty for a cancel. */
  std::string fileAnswer;
  /** The folders the file dialogs opened in. */
  std::vector<std::string> dialogFolders;

  bool IsDrawContextReady() const override { return ready; }
  void SetBundleID(const char* id) { mBundleID = id ? id : ""; }
  const char* GetBundleID() override { return mBundleID.c_str(); }
  /** A PNG file's size from its header. */
  fx::gfx::APIBitmap* LoadAPIBitmap(const char* path, int scale, fx::gfx::EResourceLocation location,
                                    const char* ext) override;
  fx::gfx::IPopupMenu* CreatePlatformPopupMenu(fx::gfx::IPopupMenu& menu, const IRECT& bounds,
                                               bool& isAsync) override;
  void PromptForFile(fx::FxString& fileName, fx::FxString& path, fx::gfx::EFilePromptAction action,
                     const char* ext) override;

  void Clear()
  {
    RecordingGfx::Clear();
    texts.clear();
  }
  /** The styles of the texts drawn, with the texts (DoDrawText records the rest). */
  std::vector<std::pair<fx::gfx::IText, std::string>> texts;
  void DoDrawText(const fx::gfx::IText& text, const char* str, const IRECT& bounds,
                  const fx::gfx::IBlend* blend) override
  {
    texts.emplace_back(text, str ? str : "");
    RecordingGfx::DoDrawText(text, str, bounds, blend);
  }

  /** DrawBitmap calls of the named resource since the last Clear. */
  std::vector<fx::gfx::test::Call> Bitmaps(const std::string& name) const;

private:
  std::string mBundleID;
};

/** The product, recording the action indices (16 and above) its editor sends. */
class LoggingPlug : public ORBEX9
{
public:
  using ORBEX9::ORBEX9;
  void OnParamChange(int paramIdx, fx::EParamSource source, int sampleOffset = -1) override
  {
    if (paramIdx >= kNumParams) actions.push_back(paramIdx);
    ORBEX9::OnParamChange(paramIdx, source, sampleOffset);
  }
  std::vector<int> actions;
};

/** The editor resources registered as the bundle of the plug-in (once per process). */
void RegisterEditorResources();

/** Opens the editor of a plug-in on the recording back end and drives it. */
class EditorDriver
{
public:
  explicit EditorDriver(ORBEX9& plug);
  ~EditorDriver();
  EditorDriver(const EditorDriver&) = delete;
  EditorDriver& operator=(const EditorDriver&) = delete;

  /** Opens the editor through the delegate, as a host's view request does. */
  void Open();
  /** Opens an editor the layout leaves empty (tests that attach their own controls). */
  void OpenEmpty();
  void Close();

  fx::gfx::IControl* Control(int idx) const { return gfx ? gfx->GetControl(idx) : nullptr; }
  template <class T>
  T* ControlAs(int idx) const
  {
    return dynamic_cast<T*>(Control(idx));
  }

  // Input as the view delivers it, in editor units.
  void Down(float x, float y, const IMouseMod& mod = Mods());
  void Up(float x, float y, const IMouseMod& mod = Mods());
  void Click(float x, float y, const IMouseMod& mod = Mods());
  void DblClick(float x, float y, const IMouseMod& mod = Mods());
  /** Press at (x, y), one drag event by (dX, dY), release. */
  void Drag(float x, float y, float dX, float dY, const IMouseMod& mod = Mods());
  void Move(float x, float y);
  void Wheel(float x, float y, float delta, const IMouseMod& mod = Mods());
  /** Draws every dirty control (one frame); returns whether any was dirty. */
  bool Frame();

  fx::gfx::test::ManualClock clock;
  /** Whether the editors made from now on can draw. */
  bool drawContextReady = true;
  EditorTestGfx* gfx = nullptr; // the delegate's

private:
  ORBEX9& mPlug;
};

/** The logging plug-in in a temporary home. */
struct ProductHome
{
  ProductHome();
  producttest::TempHome home;
  std::unique_ptr<LoggingPlug> plug;
};

/** A plug-in in a temporary home whose editor opens on the recording back end. */
class ProductEditor : public ProductHome, public EditorDriver
{
public:
  ProductEditor() : EditorDriver(*plug) {}
};

} // namespace editortest
