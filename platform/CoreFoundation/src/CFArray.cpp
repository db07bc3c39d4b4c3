#include "CFContainers.h"

#include <cstdio>

#include <CoreFoundation/CFString.h>

namespace {

OpaqueCFArray* MutableArray(CFMutableArrayRef array) {
  OpaqueCFArray* a = cfx::AsMutable<OpaqueCFArray>(array);
  return (a != nullptr && a->isMutable) ? a : nullptr;
}

// Clips range to the array; false when it lies (partly) outside.
bool RangeInside(const OpaqueCFArray* a, CFRange range) {
  return a != nullptr && range.location >= 0 && range.length >= 0 &&
         range.location <= static_cast<CFIndex>(a->values.size()) &&
         range.length <= static_cast<CFIndex>(a->values.size()) - range.location;
}

}  // namespace

OpaqueCFArray::OpaqueCFArray(bool isMutable, CFIndex capacity, const CFArrayCallBacks* cb)
    : cfx::Object(kType, false), isMutable(isMutable), capacity(capacity) {
  if (cb != nullptr) callBacks = *cb;
}

OpaqueCFArray::~OpaqueCFArray() {
  for (const void* v : values) ReleaseValue(v);
}

bool OpaqueCFArray::Equals(const cfx::Object& other) const {
  const auto& o = static_cast<const OpaqueCFArray&>(other);
  if (values.size() != o.values.size()) return false;
  for (size_t i = 0; i < values.size(); ++i)
    if (!ValuesEqual(values[i], o.values[i])) return false;
  return true;
}

std::string OpaqueCFArray::Describe() const {
  std::string text = "(";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += ", ";
    if (callBacks.copyDescription != nullptr) {
      CFStringRef d = callBacks.copyDescription(values[i]);
      text += cfx::DescribeObject(d);
      CFRelease(d);
    } else {
      char ptr[32];
      std::snprintf(ptr, sizeof ptr, "<%p>", values[i]);
      text += ptr;
    }
  }
  return text + ")";
}

extern "C" {

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, cfx::RetainType, cfx::ReleaseType, CFCopyDescription,
                                                cfx::EqualTypes};

CFTypeID CFArrayGetTypeID(void) { return cfx::kTypeArray; }

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues, const CFArrayCallBacks* callBacks) {
  if (numValues < 0 || (values == nullptr && numValues > 0)) return nullptr;
  auto* a = new OpaqueCFArray(false, 0, callBacks);
  a->values.reserve(static_cast<size_t>(numValues));
  for (CFIndex i = 0; i < numValues; ++i) a->values.push_back(a->RetainValue(values[i]));
  return a;
}

CFArrayRef CFArrayCreateCopy(CFAllocatorRef alloc, CFArrayRef array) {
  const OpaqueCFArray* src = cfx::As<OpaqueCFArray>(array);
  if (src == nullptr) return nullptr;
  return CFArrayCreate(alloc, const_cast<const void**>(src->values.data()), static_cast<CFIndex>(src->values.size()),
                       &src->callBacks);
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity, const CFArrayCallBacks* callBacks) {
  if (capacity < 0) return nullptr;
  return new OpaqueCFArray(true, capacity, callBacks);
}

CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef, CFIndex capacity, CFArrayRef array) {
  const OpaqueCFArray* src = cfx::As<OpaqueCFArray>(array);
  if (src == nullptr || capacity < 0 || (capacity > 0 && capacity < static_cast<CFIndex>(src->values.size())))
    return nullptr;
  auto* a = new OpaqueCFArray(true, capacity, &src->callBacks);
  for (const void* v : src->values) a->values.push_back(a->RetainValue(v));
  return a;
}

CFIndex CFArrayGetCount(CFArrayRef array) {
  const OpaqueCFArray* a = cfx::As<OpaqueCFArray>(array);
  return a != nullptr ? static_cast<CFIndex>(a->values.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex idx) {
  const OpaqueCFArray* a = cfx::As<OpaqueCFArray>(array);
  if (a == nullptr || idx < 0 || idx >= static_cast<CFIndex>(a->values.size())) return nullptr;
  return a->values[static_cast<size_t>(idx)];
}

void CFArrayGetValues(CFArrayRef array, CFRange range, const void** values) {
  const OpaqueCFArray* a = cfx::As<OpaqueCFArray>(array);
  if (!RangeInside(a, range) || values == nullptr) return;
  for (CFIndex i = 0; i < range.length; ++i) values[i] = a->values[static_cast<size_t>(range.location + i)];
}

CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef array, CFRange range, const void* value) {
  const OpaqueCFArray* a = cfx::As<OpaqueCFArray>(array);
  if (!RangeInside(a, range)) return kCFNotFound;
  for (CFIndex i = range.location; i < range.location + range.length; ++i)
    if (a->ValuesEqual(a->values[static_cast<size_t>(i)], value)) return i;
  return kCFNotFound;
}

Boolean CFArrayContainsValue(CFArrayRef array, CFRange range, const void* value) {
  return CFArrayGetFirstIndexOfValue(array, range, value) != kCFNotFound;
}

CFIndex CFArrayGetCountOfValue(CFArrayRef array, CFRange range, const void* value) {
  const OpaqueCFArray* a = cfx::As<OpaqueCFArray>(array);
  if (!RangeInside(a, range)) return 0;
  CFIndex count = 0;
  for (CFIndex i = range.location; i < range.location + range.length; ++i)
    if (a->ValuesEqual(a->values[static_cast<size_t>(i)], value)) ++count;
  return count;
}

void CFArrayApplyFunction(CFArrayRef array, CFRange range, CFArrayApplierFunction applier, void* context) {
  const OpaqueCFArray* a = cfx::As<OpaqueCFArray>(array);
  if (!RangeInside(a, range) || applier == nullptr) return;
  for (CFIndex i = range.location; i < range.location + range.length; ++i)
    applier(a->values[static_cast<size_t>(i)], context);
}

void CFArrayAppendValue(CFMutableArrayRef array, const void* value) {
  OpaqueCFArray* a = MutableArray(array);
  if (a == nullptr || !a->Fits(a->values.size() + 1)) return;
  a->values.push_back(a->RetainValue(value));
}

void CFArrayInsertValueAtIndex(CFMutableArrayRef array, CFIndex idx, const void* value) {
  OpaqueCFArray* a = MutableArray(array);
  if (a == nullptr || idx < 0 || idx > static_cast<CFIndex>(a->values.size()) || !a->Fits(a->values.size() + 1)) return;
  a->values.insert(a->values.begin() + idx, a->RetainValue(value));
}

void CFArraySetValueAtIndex(CFMutableArrayRef array, CFIndex idx, const void* value) {
  OpaqueCFArray* a = MutableArray(array);
  if (a == nullptr || idx < 0 || idx > static_cast<CFIndex>(a->values.size())) return;
  if (idx == static_cast<CFIndex>(a->values.size())) {  // one past the end appends
    CFArrayAppendValue(array, value);
    return;
  }
  const void* retained = a->RetainValue(value);
  const void* old = a->values[static_cast<size_t>(idx)];
  a->values[static_cast<size_t>(idx)] = retained;
  a->ReleaseValue(old);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef array, CFIndex idx) {
  OpaqueCFArray* a = MutableArray(array);
  if (a == nullptr || idx < 0 || idx >= static_cast<CFIndex>(a->values.size())) return;
  const void* old = a->values[static_cast<size_t>(idx)];
  a->values.erase(a->values.begin() + idx);
  a->ReleaseValue(old);
}

void CFArrayRemoveAllValues(CFMutableArrayRef array) {
  OpaqueCFArray* a = MutableArray(array);
  if (a == nullptr) return;
  std::vector<const void*> old;
  old.swap(a->values);
  for (const void* v : old) a->ReleaseValue(v);
}

void CFArrayAppendArray(CFMutableArrayRef array, CFArrayRef other, CFRange otherRange) {
  const OpaqueCFArray* src = cfx::As<OpaqueCFArray>(other);
  if (MutableArray(array) == nullptr || !RangeInside(src, otherRange)) return;
  const std::vector<const void*> values(src->values.begin() + otherRange.location,
                                        src->values.begin() + otherRange.location + otherRange.length);
  for (const void* v : values) CFArrayAppendValue(array, v);
}

}  // extern "C"
