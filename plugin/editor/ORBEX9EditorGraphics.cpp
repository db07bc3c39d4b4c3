// The limiter's graphics factory: the platform editor object, 1000 x 270 at 60 frames per second,
// drawn at the plug-in's current editor scale, finding its fonts and bitmaps in the plug-in's
// bundle. Main thread only.

#include "plugin/ORBEX9.h"

#include "graphics/mac/IGfxMac.h"

fx::gfx::IGfx* ORBEX9::CreateEditorGraphics(fx::IEditorDelegate* /*pDelegate*/, int width, int height, int fps,
                                            float scale)
{
  auto* g = new fx::gfx::IGfxMac(*this, width, height, fps, scale);
  g->SetBundleID(GetBundleID());
  g->SetSharedResourcesSubPath(orbex9::kPluginName);
  return g;
}
