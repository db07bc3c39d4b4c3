#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "CFScalars.h"

namespace {

const OpaqueCFBoolean g_true(true);
const OpaqueCFBoolean g_false(false);

// The sized type each number type is stored as (0: unknown type).
CFNumberType CanonicalType(CFNumberType t) {
  switch (t) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType: return kCFNumberSInt8Type;
    case kCFNumberSInt16Type:
    case kCFNumberShortType: return kCFNumberSInt16Type;
    case kCFNumberSInt32Type:
    case kCFNumberIntType: return kCFNumberSInt32Type;
    case kCFNumberSInt64Type:
    case kCFNumberLongType:
    case kCFNumberLongLongType:
    case kCFNumberCFIndexType:
    case kCFNumberNSIntegerType: return kCFNumberSInt64Type;
    case kCFNumberFloat32Type:
    case kCFNumberFloatType: return kCFNumberFloat32Type;
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
    case kCFNumberCGFloatType: return kCFNumberFloat64Type;
    default: return 0;
  }
}

CFIndex ByteSize(CFNumberType canonical) {
  switch (canonical) {
    case kCFNumberSInt8Type: return 1;
    case kCFNumberSInt16Type: return 2;
    case kCFNumberSInt32Type:
    case kCFNumberFloat32Type: return 4;
    default: return 8;
  }
}

template <class T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
void Store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// Stores an integer into a narrower signed type, saturating; false when clipped.
template <class T>
bool StoreInteger(void* p, SInt64 v) {
  const SInt64 lo = std::numeric_limits<T>::min();
  const SInt64 hi = std::numeric_limits<T>::max();
  Store<T>(p, static_cast<T>(v < lo ? lo : (v > hi ? hi : v)));
  return v >= lo && v <= hi;
}

// A double as a 64-bit integer: truncated toward zero and saturated;
// exact tells whether nothing was lost.
SInt64 DoubleToInteger(double d, bool& exact) {
  if (std::isnan(d)) {
    exact = false;
    return 0;
  }
  if (d >= 9223372036854775807.0) {
    exact = false;
    return std::numeric_limits<SInt64>::max();
  }
  if (d < -9223372036854775808.0) {
    exact = false;
    return std::numeric_limits<SInt64>::min();
  }
  const SInt64 i = static_cast<SInt64>(d);
  exact = static_cast<double>(i) == d;
  return i;
}

}  // namespace

bool OpaqueCFNumber::Equals(const cfx::Object& other) const {
  const auto& o = static_cast<const OpaqueCFNumber&>(other);
  if (!isFloat && !o.isFloat) return integer == o.integer;
  const double a = isFloat ? real : static_cast<double>(integer);
  const double b = o.isFloat ? o.real : static_cast<double>(o.integer);
  return a == b || (std::isnan(a) && std::isnan(b));
}

CFHashCode OpaqueCFNumber::Hash() const {
  if (!isFloat) return static_cast<CFHashCode>(integer);
  bool exact = false;
  const SInt64 i = DoubleToInteger(real, exact);
  if (exact) return static_cast<CFHashCode>(i);
  if (std::isnan(real)) return 0;  // every NaN equals every other
  CFHashCode bits;
  std::memcpy(&bits, &real, sizeof bits);
  return bits;
}

std::string OpaqueCFNumber::Describe() const {
  char text[64];
  if (isFloat) {
    // The shortest text that reads back as the same value.
    for (int precision = 1; precision <= 17; ++precision) {
      std::snprintf(text, sizeof text, "%.*g", precision, real);
      if (std::strtod(text, nullptr) == real || std::isnan(real)) break;
    }
  } else std::snprintf(text, sizeof text, "%lld", static_cast<long long>(integer));
  return text;
}

extern "C" {

const CFBooleanRef kCFBooleanTrue = &g_true;
const CFBooleanRef kCFBooleanFalse = &g_false;

CFTypeID CFBooleanGetTypeID(void) { return cfx::kTypeBoolean; }

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
  const OpaqueCFBoolean* b = cfx::As<OpaqueCFBoolean>(boolean);
  return b != nullptr && b->value;
}

CFTypeID CFNumberGetTypeID(void) { return cfx::kTypeNumber; }

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
  const CFNumberType t = CanonicalType(theType);
  if (t == 0 || valuePtr == nullptr) return nullptr;
  switch (t) {
    case kCFNumberSInt8Type: return new OpaqueCFNumber(t, false, Load<SInt8>(valuePtr), 0.0);
    case kCFNumberSInt16Type: return new OpaqueCFNumber(t, false, Load<SInt16>(valuePtr), 0.0);
    case kCFNumberSInt32Type: return new OpaqueCFNumber(t, false, Load<SInt32>(valuePtr), 0.0);
    case kCFNumberSInt64Type: return new OpaqueCFNumber(t, false, Load<SInt64>(valuePtr), 0.0);
    case kCFNumberFloat32Type: return new OpaqueCFNumber(t, true, 0, Load<Float32>(valuePtr));
    default: return new OpaqueCFNumber(t, true, 0, Load<Float64>(valuePtr));
  }
}

CFNumberType CFNumberGetType(CFNumberRef number) {
  const OpaqueCFNumber* n = cfx::As<OpaqueCFNumber>(number);
  return n != nullptr ? n->type : 0;
}

CFIndex CFNumberGetByteSize(CFNumberRef number) {
  const OpaqueCFNumber* n = cfx::As<OpaqueCFNumber>(number);
  return n != nullptr ? ByteSize(n->type) : 0;
}

Boolean CFNumberIsFloatType(CFNumberRef number) {
  const OpaqueCFNumber* n = cfx::As<OpaqueCFNumber>(number);
  return n != nullptr && n->isFloat;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
  const OpaqueCFNumber* n = cfx::As<OpaqueCFNumber>(number);
  const CFNumberType t = CanonicalType(theType);
  if (n == nullptr || t == 0 || valuePtr == nullptr) return false;
  if (t == kCFNumberFloat32Type || t == kCFNumberFloat64Type) {
    double d = n->real;
    bool exact = true;
    if (!n->isFloat) {
      d = static_cast<double>(n->integer);
      exact = d < 9223372036854775808.0 && static_cast<SInt64>(d) == n->integer;
    }
    if (t == kCFNumberFloat32Type) {
      // Beyond the float range the value becomes an infinity (and is reported lossy).
      constexpr double kMax = std::numeric_limits<float>::max();
      const float f = d > kMax    ? std::numeric_limits<float>::infinity()
                      : d < -kMax ? -std::numeric_limits<float>::infinity()
                                  : static_cast<float>(d);
      Store<Float32>(valuePtr, f);
      return exact && (static_cast<double>(f) == d || std::isnan(d));
    }
    Store<Float64>(valuePtr, d);
    return exact;
  }
  bool exact = true;
  const SInt64 i = n->isFloat ? DoubleToInteger(n->real, exact) : n->integer;
  bool fits = true;
  switch (t) {
    case kCFNumberSInt8Type: fits = StoreInteger<SInt8>(valuePtr, i); break;
    case kCFNumberSInt16Type: fits = StoreInteger<SInt16>(valuePtr, i); break;
    case kCFNumberSInt32Type: fits = StoreInteger<SInt32>(valuePtr, i); break;
    default: Store<SInt64>(valuePtr, i); break;
  }
  return exact && fits;
}

CFComparisonResult CFNumberCompare(CFNumberRef a, CFNumberRef b, void*) {
  const OpaqueCFNumber* na = cfx::As<OpaqueCFNumber>(a);
  const OpaqueCFNumber* nb = cfx::As<OpaqueCFNumber>(b);
  if (na == nullptr || nb == nullptr) return na == nb ? kCFCompareEqualTo : (na == nullptr ? kCFCompareLessThan : kCFCompareGreaterThan);
  if (!na->isFloat && !nb->isFloat)
    return na->integer < nb->integer ? kCFCompareLessThan : (na->integer > nb->integer ? kCFCompareGreaterThan : kCFCompareEqualTo);
  const double x = na->isFloat ? na->real : static_cast<double>(na->integer);
  const double y = nb->isFloat ? nb->real : static_cast<double>(nb->integer);
  return x < y ? kCFCompareLessThan : (x > y ? kCFCompareGreaterThan : kCFCompareEqualTo);
}

}  // extern "C"
