// The macOS editor object: lifecycle, the view inside the host's window, resizing, tooltips,
// the appearance and the platform fonts.

#include "graphics/mac/IGfxMac.h"

#include <AppKit/AppKit.h>
#include <CoreServices/Gestalt.h>


#include "core/IGEditorDelegate.h"
#include "graphics/mac/CoreTextFont.h"
#include "graphics/mac/FontDescriptorCache.h"
#include "graphics/mac/IGfxView.h"

namespace fx::gfx {

IGfxMac::IGfxMac(IGEditorDelegate& dlg, int width, int height, int fps, float scale)
  : IGfxVG(dlg, width, height, fps, scale)
{
  NSApplicationLoad();
  GetFontDescriptorCache().Retain();
}

IGfxMac::~IGfxMac()
{
  FontDescriptorCache& cache = GetFontDescriptorCache();
  FxMutexLock lock(cache.Mutex());
  cache.Release();
  // The view and everything drawn in it go while this object is whole.
  CloseWindow();
}

// ---------------------------------------------------------------------------------- Window

void* IGfxMac::OpenWindow(void* pParent)
{
  if (mView) CloseWindow();
  mView = IGfxView_vORBEX9_au::alloc()->initWithIGfx(this);
  OnViewInitialized(mView->metalLayer());
  GetDelegate()->SetEditorReady(IsDrawContextReady());
  SetScreenScale(static_cast<float>(NSScreen::mainScreen()->backingScaleFactor()));
  GetDelegate()->LayoutUI(this);
  UpdateTooltips();
  GetDelegate()->OnUIOpen();
  if (pParent) static_cast<NSView*>(pParent)->addSubview(mView);
  return mView;
}

void IGfxMac::CloseView()
{
  IGfxView_vORBEX9_au* view = mView;
  if (!view) return;
  mView = nullptr;
  view->removeAllToolTips();
  view->killTimer();
  SetPlatformContext(nullptr);
  // The view forgets this object first: leaving its superview then asks nothing of it.
  view->forgetGraphics();
  view->removeFromSuperview();
  view->release();
}

void IGfxMac::CloseWindow()
{
  if (!mView) return;
  CloseView();
  OnViewDestroyed();
}

void* IGfxMac::GetWindow() { return mView; }

void IGfxMac::PlatformResize(bool /*parentHasResized*/)
{
  if (!mView) return;
  NSAnimationContext::beginGrouping();
  NSAnimationContext::currentContext()->setDuration(0.0);
  mView->setFrameSize(NSMakeSize(WindowWidth(), WindowHeight()));
  NSAnimationContext::endGrouping();
  UpdateTooltips();
}

bool IGfxMac::GetPlatformScreenRoom(float& width, float& height) const
{
  NSWindow* window = mView ? mView->window() : nullptr;
  NSScreen* screen = window ? window->screen() : nullptr;
  if (!screen || !window->contentView()) return false;
  const NSRect visible = screen->visibleFrame();
  const NSSize frame = window->frame().size, content = window->contentView()->frame().size;
  width = static_cast<float>(visible.size.width - (frame.width - content.width));
  height = static_cast<float>(visible.size.height - (frame.height - content.height));
  return true;
}

void IGfxMac::AttachPlatformView(const IRECT& r, void* view)
{
  if (!mView || !view) return;
  auto* platformView = static_cast<NSView*>(view);
  platformView->setFrame(ScaledViewRect(r, GetDrawScale()));
  mView->addSubview(platformView);
}

void IGfxMac::RemovePlatformView(void* view)
{
  if (view) static_cast<NSView*>(view)->removeFromSuperview();
}

EUIAppearance IGfxMac::GetUIAppearance() const
{
  if (NSAppKitVersionNumber < NSAppKitVersionNumber10_14 || !mView) return kLight;
  NSAppearance* appearance = mView->effectiveAppearance();
  return appearance && appearance->name()->isEqualToString(NSAppearanceNameDarkAqua) ? kDark : kLight;
}

void IGfxMac::UpdateTooltips()
{
  if (!mView) return;
  nsx::AutoreleasePool pool;
  mView->removeAllToolTips();
  if (!TooltipsEnabled()) return;
  // An open in-editor menu covers the controls: no tooltips meanwhile.
  if (const IPopupMenuControlBase* menu = GetPopupMenuControl(); menu && menu->GetState() > 0) return;
  ForStandardControlsFunc([this](IControl* control) {
    const char* tip = control->GetTooltip();
    if (tip && *tip && !control->IsHidden() && !control->GetTargetRECT().Empty())
      mView->registerToolTip(control->GetTargetRECT());
  });
}

int IGfxMac::GetSystemVersion()
{
  static const int version = [] {
    if (NSAppKitVersionNumber < 1266)
    {
      SInt32 answer = 0x1040;
      if (Gestalt(gestaltSystemVersion, &answer) != noErr) answer = 0x1040;
      return static_cast<int>(answer);
    }
    return NSAppKitVersionNumber >= NSAppKitVersionNumber10_11 ? 0x10B0 : 0x10A0;
  }();
  return version;
}

// ---------------------------------------------------------------------------------- Fonts

PlatformFontPtr IGfxMac::LoadPlatformFont(const char* fontID, const char* fileNameOrResID)
{
  return LoadCoreTextFontFromFile(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPtr IGfxMac::LoadPlatformFont(const char* fontID, void* data, int dataSize)
{
  return LoadCoreTextFontFromMemory(fontID, data, dataSize);
}

PlatformFontPtr IGfxMac::LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style)
{
  return LoadCoreTextFontByName(fontID, fontName, style);
}

void IGfxMac::CachePlatformFont(const char* fontID, const PlatformFontPtr& font)
{
  if (font) AddCachedFontDescriptor(fontID, *font, GetFontDescriptorCache());
}

} // namespace fx::gfx
