// The Audio Unit class info (the host's saved preset): any bytes read as a property list and
// handed to the product as its class info.
#include "fuzz/FuzzProduct.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20)) return 0;
  ORBEX9& plug = orbexfuzz::Product();
  CFDataRef bytes = CFDataCreate(kCFAllocatorDefault, data, static_cast<CFIndex>(size));
  if (!bytes) return 0;
  CFPropertyListRef plist =
    CFPropertyListCreateWithData(kCFAllocatorDefault, bytes, kCFPropertyListImmutable, nullptr, nullptr);
  CFRelease(bytes);
  if (!plist) return 0;
  if (plug.SetClassInfo(plist) == noErr)
  {
    CFPropertyListRef back = nullptr;
    if (plug.GetClassInfo(&back) != noErr || !back) __builtin_trap();
    CFRelease(back);
  }
  CFRelease(plist);
  return 0;
}
