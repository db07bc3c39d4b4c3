// System information by selector. The layer answers as macOS 10.15.7:
// 'sys1' 10, 'sys2' 15, 'sys3' 7, and 'sysv' 0x1097 (the packed form, whose
// minor and bug-fix digits stop at 9). Other selectors are not known.
// Any thread.
#pragma once

#include <CoreFoundation/CFBase.h>

enum : OSType {
  gestaltSystemVersion = 0x73797376,       // 'sysv'
  gestaltSystemVersionMajor = 0x73797331,  // 'sys1'
  gestaltSystemVersionMinor = 0x73797332,  // 'sys2'
  gestaltSystemVersionBugFix = 0x73797333  // 'sys3'
};

enum : OSErr { gestaltUndefSelectorErr = -5551 };

extern "C" {

// noErr and the answer, or gestaltUndefSelectorErr (response untouched).
// A null response gives paramErr (-50).
OSErr Gestalt(OSType selector, SInt32* response);

}  // extern "C"
