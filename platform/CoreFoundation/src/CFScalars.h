// Immutable scalar objects: booleans, numbers and dates.
#pragma once

#include <CoreFoundation/CFDate.h>
#include <CoreFoundation/CFNumber.h>

#include <CoreFoundation/CFObject.h>

struct OpaqueCFBoolean final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeBoolean;
  explicit OpaqueCFBoolean(bool v) : cfx::Object(kType, true), value(v) {}
  std::string Describe() const override { return value ? "true" : "false"; }
  const bool value;
};

// Integers are kept as 64-bit signed values, floating types as doubles; the
// type the number was created with is remembered.
struct OpaqueCFNumber final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeNumber;
  OpaqueCFNumber(CFNumberType t, bool isFloat, SInt64 i, double d)
      : cfx::Object(kType, false), type(t), isFloat(isFloat), integer(i), real(d) {}
  bool Equals(const cfx::Object& other) const override;
  CFHashCode Hash() const override;
  std::string Describe() const override;
  const CFNumberType type;
  const bool isFloat;
  const SInt64 integer;
  const double real;
};

struct OpaqueCFDate final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeDate;
  explicit OpaqueCFDate(CFAbsoluteTime t) : cfx::Object(kType, false), time(t) {}
  bool Equals(const cfx::Object& other) const override { return time == static_cast<const OpaqueCFDate&>(other).time; }
  CFHashCode Hash() const override;
  std::string Describe() const override;
  // The date as "YYYY-MM-DDTHH:MM:SSZ" (whole seconds, rounded down); false
  // when it is not finite or its year lies outside 1 to 9999.
  bool UtcText(std::string& text) const;
  const CFAbsoluteTime time;
};
