#include <CoreServices/Gestalt.h>

extern "C" OSErr Gestalt(OSType selector, SInt32* response) {
  constexpr SInt32 kMajor = 10, kMinor = 15, kBugFix = 7;
  if (response == nullptr) return -50;
  switch (selector) {
    case gestaltSystemVersion:
      *response = (kMajor / 10) << 12 | (kMajor % 10) << 8 | (kMinor > 9 ? 9 : kMinor) << 4 | (kBugFix > 9 ? 9 : kBugFix);
      return noErr;
    case gestaltSystemVersionMajor: *response = kMajor; return noErr;
    case gestaltSystemVersionMinor: *response = kMinor; return noErr;
    case gestaltSystemVersionBugFix: *response = kBugFix; return noErr;
    default: return gestaltUndefSelectorErr;
  }
}
