// The loadable component's exported entry points for the limiter plug-in.

#include "au/IAUComponent.h"
#include "plugin/ORBEX9.h"

FX_AU_COMPONENT(ORBEX9, ORBEX9, "ORBEX9_View")
