// The loadable component's exported entry points for the limiter plug-in and its Cocoa view
// factory, which registers itself by name when the component loads.

#include "au/IAUCocoaView.h"
#include "au/IAUComponent.h"
#include "plugin/ORBEX9.h"

FX_AU_COMPONENT(ORBEX9, ORBEX9, "ORBEX9_View")
FX_AU_COCOA_VIEW(ORBEX9)
