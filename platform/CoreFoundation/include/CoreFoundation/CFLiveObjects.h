// The layer's own object counter: how many CF objects are alive. Constant
// strings, booleans, allocators, run loops and registered bundles are not
// counted (the strings and dictionaries a bundle holds are), so a test can
// take the count, run code and check every object was released.
#pragma once

#include <CoreFoundation/CFBase.h>

namespace cfx {

long LiveObjectCount();

}  // namespace cfx
