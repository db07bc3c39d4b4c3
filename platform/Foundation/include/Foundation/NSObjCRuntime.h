// Scalar types shared by the Foundation and AppKit layers.
#pragma once

#include <objc/objc.h>

typedef unsigned long NSUInteger;
typedef long NSInteger;
typedef double NSTimeInterval;

enum : NSInteger { NSNotFound = 0x7fffffffffffffffL };

typedef NSInteger NSComparisonResult;
enum : NSInteger { NSOrderedAscending = -1, NSOrderedSame = 0, NSOrderedDescending = 1 };

struct NSRange {
  NSUInteger location;
  NSUInteger length;
};
inline NSRange NSMakeRange(NSUInteger location, NSUInteger length) { return NSRange{location, length}; }
inline NSUInteger NSMaxRange(NSRange r) { return r.location + r.length; }
