// Property lists: any bytes read as XML or binary; what reads is written in both forms and
// must read back equal.
#include <CoreFoundation/CoreFoundation.h>

#include <cstddef>
#include <cstdint>

namespace {

void RoundTrip(CFPropertyListRef plist, CFPropertyListFormat format)
{
  CFDataRef out = CFPropertyListCreateData(kCFAllocatorDefault, plist, format, 0, nullptr);
  if (!out) return; // not every value has a form in every format
  CFPropertyListRef back =
    CFPropertyListCreateWithData(kCFAllocatorDefault, out, kCFPropertyListImmutable, nullptr, nullptr);
  CFRelease(out);
  if (!back || !CFEqual(plist, back)) __builtin_trap();
  CFRelease(back);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20)) return 0;
  CFDataRef bytes = CFDataCreate(kCFAllocatorDefault, data, static_cast<CFIndex>(size));
  if (!bytes) return 0;
  CFPropertyListFormat format = 0;
  CFPropertyListRef plist =
    CFPropertyListCreateWithData(kCFAllocatorDefault, bytes, kCFPropertyListMutableContainersAndLeaves, &format, nullptr);
  CFRelease(bytes);
  if (!plist) return 0;
  RoundTrip(plist, kCFPropertyListXMLFormat_v1_0);
  RoundTrip(plist, kCFPropertyListBinaryFormat_v1_0);
  CFRelease(plist);
  return 0;
}
