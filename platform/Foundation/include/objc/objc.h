// The basic types of the object runtime: objects (id), classes (Class),
// selectors (SEL, interned method names such as "onTimer:") and method
// implementations (IMP). Methods reached by selector take at most one
// object argument (sender, timer, notification) and return an object or nil.
#pragma once

#include <CoreFoundation/CFBase.h>

#ifndef YES
#define YES ((BOOL)1)
#define NO ((BOOL)0)
#endif
#ifndef nil
#define nil nullptr
#endif

class NSObject;
class objc_class;
class Protocol;
struct objc_selector;

typedef NSObject* id;
typedef objc_class* Class;
typedef const objc_selector* SEL;
typedef id (*IMP)(id self, SEL cmd, id argument);

// The one selector for a name (null for a null name). Any thread.
SEL sel_registerName(const char* name);
const char* sel_getName(SEL sel);  // "<null selector>" for null
