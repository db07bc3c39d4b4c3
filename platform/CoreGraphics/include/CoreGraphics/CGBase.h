// Scalar types of the CoreGraphics layer.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef double CGFloat;
typedef int32_t CGError;
enum : CGError {
  kCGErrorSuccess = 0,
  kCGErrorFailure = 1000,
  kCGErrorIllegalArgument = 1001
};
