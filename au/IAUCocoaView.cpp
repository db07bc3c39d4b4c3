// The Cocoa view factory's one operation: the plug-in object through the private property, then
// its editor.

#include "au/IAUCocoaView.h"

#include "au/IFxAU.h"

namespace fx {

NSView* IAUOpenCocoaView(AudioUnit unit, gfx::IGEditorDelegate*& plug)
{
  void* object = nullptr;
  UInt32 size = sizeof(object);
  if (AudioUnitGetProperty(unit, IFxAU::kPrivatePropPlugin, kAudioUnitScope_Global, 0, &object, &size) != noErr ||
      size != sizeof(object))
    return nullptr;
  plug = static_cast<gfx::IGEditorDelegate*>(object);
  // The property serves the adapter's object as its editor delegate.
  auto* plugin = static_cast<IPluginBase*>(plug);
  if (!plugin || !plugin->HasUI()) return nullptr;
  return static_cast<NSView*>(plug->OpenWindow(nullptr));
}

} // namespace fx
