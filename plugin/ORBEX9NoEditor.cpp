// The plug-in's editor hooks when the product is built without its editor: no editor object
// is made, so the host gets no view and every editor-dependent action is skipped.

#include "plugin/ORBEX9.h"

fx::gfx::IGfx* ORBEX9::CreateEditorGraphics(fx::IEditorDelegate* /*pDelegate*/, int /*width*/, int /*height*/,
                                            int /*fps*/, float /*scale*/)
{
  return nullptr;
}

void ORBEX9::LayoutEditor(fx::gfx::IGfx* /*pGraphics*/)
{
}
