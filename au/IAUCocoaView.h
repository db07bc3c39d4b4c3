#pragma once
// The Cocoa view factory of a component: the class whose name the Cocoa-view property reports.
// A host makes an instance of it by name from the loaded bundle (the class registers itself
// with the object runtime when the component's library loads) and asks it for the unit's view,
// which the plug-in's editor delegate opens. In one source file of the component:
//
//   #include "au/IAUCocoaView.h"
//   FX_AU_COCOA_VIEW(MyPlug)   // the class MyPlug_View, described as "MyPlug View"
//
// The factory owns nothing: it neither retains nor frees the plug-in or the view it hands out.
// Main thread only.

#include <AppKit/AppKit.h>
#include <AudioUnit/AUCocoaUIView.h>

namespace fx {

namespace gfx {
class IGEditorDelegate;
}

/** The unit's editor view: the plug-in object is read through the private plug-in property and
 *  kept in plug, and when it has an editor it opens one without a parent view. nil when the
 *  property cannot be read or the plug-in has no editor. */
NSView* IAUOpenCocoaView(AudioUnit unit, gfx::IGEditorDelegate*& plug);

} // namespace fx

#define FX_AU_COCOA_VIEW(NAME)                                                                          \
  class NAME##_View final : public NSObject, public AUCocoaUIBase                                      \
  {                                                                                                     \
    NS_CLASS(NAME##_View, NSObject)                                                                     \
  public:                                                                                               \
    NAME##_View* init() override                                                                        \
    {                                                                                                   \
      mPlug = nullptr;                                                                                  \
      NSObject::init();                                                                                 \
      return this;                                                                                      \
    }                                                                                                   \
    unsigned interfaceVersion() override { return 0; }                                                 \
    /* The preferred size is not used: the view has the editor's own size. */                          \
    NSView* uiViewForAudioUnit(AudioUnit unit, NSSize) override { return fx::IAUOpenCocoaView(unit, mPlug); } \
    NSString* description() override { return NSString::stringWithUTF8String(#NAME " View"); }         \
                                                                                                        \
  private:                                                                                              \
    fx::gfx::IGEditorDelegate* mPlug = nullptr;                                                         \
  };                                                                                                    \
  NS_IMPLEMENT_CLASS(NAME##_View, {}, {}, {nsx::adopts<NAME##_View, AUCocoaUIBase>()})
