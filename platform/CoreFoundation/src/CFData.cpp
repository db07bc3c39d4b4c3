#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <stdexcept>

#include "CFContainers.h"

CFHashCode OpaqueCFData::Hash() const {
  CFHashCode h = bytes.size();
  const size_t n = std::min<size_t>(bytes.size(), 64);
  for (size_t i = 0; i < n; ++i) h = h * 31 + bytes[i];
  return h;
}

std::string OpaqueCFData::Describe() const {
  std::string text = "<";
  char hex[4];
  const size_t shown = std::min<size_t>(bytes.size(), 64);
  for (size_t i = 0; i < shown; ++i) {
    std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
    text += hex;
    if (i % 4 == 3 && i + 1 < shown) text += ' ';
  }
  if (shown < bytes.size()) text += " ...";
  return text + ">";
}

namespace {

OpaqueCFData* MutableData(CFMutableDataRef data) {
  OpaqueCFData* d = cfx::AsMutable<OpaqueCFData>(data);
  return (d != nullptr && d->isMutable) ? d : nullptr;
}

}  // namespace

extern "C" {

CFTypeID CFDataGetTypeID(void) { return cfx::kTypeData; }

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
  if (length < 0 || (bytes == nullptr && length > 0)) return nullptr;
  auto* d = new OpaqueCFData(false, 0);
  d->bytes.assign(bytes, bytes + length);
  return d;
}

CFDataRef CFDataCreateCopy(CFAllocatorRef alloc, CFDataRef data) {
  const OpaqueCFData* src = cfx::As<OpaqueCFData>(data);
  if (src == nullptr) return nullptr;
  return CFDataCreate(alloc, src->bytes.data(), static_cast<CFIndex>(src->bytes.size()));
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef, CFIndex capacity) {
  if (capacity < 0) return nullptr;
  return new OpaqueCFData(true, capacity);
}

CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef, CFIndex capacity, CFDataRef data) {
  const OpaqueCFData* src = cfx::As<OpaqueCFData>(data);
  if (src == nullptr || capacity < 0) return nullptr;
  auto* d = new OpaqueCFData(true, capacity);
  if (!d->Fits(src->bytes.size())) {
    d->Release();
    return nullptr;
  }
  d->bytes = src->bytes;
  return d;
}

CFIndex CFDataGetLength(CFDataRef data) {
  const OpaqueCFData* d = cfx::As<OpaqueCFData>(data);
  return d != nullptr ? static_cast<CFIndex>(d->bytes.size()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef data) {
  const OpaqueCFData* d = cfx::As<OpaqueCFData>(data);
  return d != nullptr ? d->bytes.data() : nullptr;
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef data) {
  OpaqueCFData* d = MutableData(data);
  return d != nullptr ? d->bytes.data() : nullptr;
}

void CFDataGetBytes(CFDataRef data, CFRange range, UInt8* buffer) {
  const OpaqueCFData* d = cfx::As<OpaqueCFData>(data);
  if (d == nullptr || buffer == nullptr || range.location < 0 || range.length <= 0 ||
      range.location > static_cast<CFIndex>(d->bytes.size()) ||
      range.length > static_cast<CFIndex>(d->bytes.size()) - range.location)
    return;
  std::copy_n(d->bytes.begin() + range.location, range.length, buffer);
}

void CFDataSetLength(CFMutableDataRef data, CFIndex length) {
  OpaqueCFData* d = MutableData(data);
  if (d == nullptr || length < 0 || !d->Fits(static_cast<size_t>(length))) return;
  try {
    d->bytes.resize(static_cast<size_t>(length), 0);
  } catch (const std::bad_alloc&) {  // a length no memory can hold leaves the data as it was
  } catch (const std::length_error&) {
  }
}

void CFDataIncreaseLength(CFMutableDataRef data, CFIndex extraLength) {
  OpaqueCFData* d = MutableData(data);
  if (d == nullptr || extraLength <= 0 ||
      extraLength > std::numeric_limits<CFIndex>::max() - static_cast<CFIndex>(d->bytes.size()))
    return;
  CFDataSetLength(data, static_cast<CFIndex>(d->bytes.size()) + extraLength);
}

void CFDataAppendBytes(CFMutableDataRef data, const UInt8* bytes, CFIndex length) {
  OpaqueCFData* d = MutableData(data);
  if (d == nullptr || bytes == nullptr || length <= 0 || !d->Fits(d->bytes.size() + static_cast<size_t>(length)))
    return;
  const std::vector<UInt8> copy(bytes, bytes + length);  // bytes may point into the data itself
  d->bytes.insert(d->bytes.end(), copy.begin(), copy.end());
}

}  // extern "C"
