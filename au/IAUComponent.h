#pragma once
// Defines a loadable component's exported entry points for a product class derived from
// IFxAU. In one source file of the component:
//
//   #include "au/IAUComponent.h"
//   FX_AU_COMPONENT(MyPlug, MyPlug, "MyPlug_View")
//
// defines CreateMyPlugInstance (construction with the view class name), and the exported
// `extern "C"` functions MyPlug_Factory (the AudioComponent road) and MyPlug_Entry (the
// Component Manager road). The product class needs a constructor taking
// `const fx::IAUCreateInfo&`, which it hands to IFxAU. Build the component with
// orbex_add_au_component (au/CMakeLists.txt), which hides every other symbol.

#include "au/IAUFactoryInstance.h"
#include "au/IFxAU.h"

#include <new>

namespace fx {

using IAUCreateFunc = IFxAU* (*)(void* storage);

/** The Component Manager entry: open creates the object through create and makes it the
 *  instance storage; every other selector goes to the object's DispatchComponentCall. */
ComponentResult IAUComponentEntry(ComponentParameters* params, Handle storage, IAUCreateFunc create);

/** Registers the component's bundle with the bundle registry: the folder three levels above
 *  the library that holds addressInLibrary (<bundle>/Contents/MacOS/<library>). False when the
 *  library cannot be located. Called once when the library loads. */
bool RegisterComponentBundle(const void* addressInLibrary, const char* identifier, const char* version,
                             const char* name);

} // namespace fx

#define FX_AU_EXPORT extern "C" __attribute__((visibility("default")))

#define FX_AU_COMPONENT(PLUG_CLASS, NAME, VIEW_CLASS_NAME)                                                  \
  static fx::IFxAU* Create##NAME##Instance(void* storage)                                                 \
  {                                                                                                       \
    fx::IAUCreateInfo info;                                                                               \
    info.mCocoaViewName.Set(VIEW_CLASS_NAME);                                                             \
    if (!storage) return new (std::nothrow) PLUG_CLASS(info);                                             \
    return new (storage) PLUG_CLASS(info);                                                                \
  }                                                                                                       \
  static void Destroy##NAME##InPlace(fx::IFxAU* plug) { plug->~IFxAU(); }                                 \
  FX_AU_EXPORT AudioComponentPlugInInterface* NAME##_Factory(const AudioComponentDescription* /*desc*/)   \
  {                                                                                                       \
    return fx::IAUFactoryInstance::Create(sizeof(PLUG_CLASS), alignof(PLUG_CLASS), &Create##NAME##Instance, \
                                          &Destroy##NAME##InPlace);                                       \
  }                                                                                                       \
  FX_AU_EXPORT ComponentResult NAME##_Entry(ComponentParameters* params, Handle storage)                  \
  {                                                                                                       \
    return fx::IAUComponentEntry(params, storage, &Create##NAME##Instance);                               \
  }
