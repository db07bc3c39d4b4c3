// Byte buffers, arrays and dictionaries.
#pragma once

#include <unordered_map>
#include <vector>

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFDictionary.h>

#include <CoreFoundation/CFObject.h>

namespace cfx {
// The callbacks of containers holding CF objects.
inline const void* RetainType(CFAllocatorRef, const void* value) { return CFRetain(value); }
inline void ReleaseType(CFAllocatorRef, const void* value) { CFRelease(value); }
inline Boolean EqualTypes(const void* a, const void* b) { return CFEqual(a, b); }
}  // namespace cfx

struct OpaqueCFData final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeData;
  OpaqueCFData(bool isMutable, CFIndex capacity) : cfx::Object(kType, false), isMutable(isMutable), capacity(capacity) {}
  bool Equals(const cfx::Object& other) const override { return bytes == static_cast<const OpaqueCFData&>(other).bytes; }
  CFHashCode Hash() const override;
  std::string Describe() const override;
  // Fits size bytes within the capacity (0: unlimited).
  bool Fits(size_t size) const { return capacity <= 0 || size <= static_cast<size_t>(capacity); }

  const bool isMutable;
  const CFIndex capacity;
  std::vector<UInt8> bytes;
};

struct OpaqueCFArray final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeArray;
  OpaqueCFArray(bool isMutable, CFIndex capacity, const CFArrayCallBacks* cb);
  ~OpaqueCFArray() override;
  bool Equals(const cfx::Object& other) const override;
  CFHashCode Hash() const override { return values.size(); }
  std::string Describe() const override;

  const void* RetainValue(const void* v) const { return callBacks.retain != nullptr ? callBacks.retain(nullptr, v) : v; }
  void ReleaseValue(const void* v) const {
    if (callBacks.release != nullptr) callBacks.release(nullptr, v);
  }
  bool ValuesEqual(const void* a, const void* b) const {
    return a == b || (callBacks.equal != nullptr && callBacks.equal(a, b));
  }
  bool Fits(size_t size) const { return capacity <= 0 || size <= static_cast<size_t>(capacity); }

  const bool isMutable;
  const CFIndex capacity;
  CFArrayCallBacks callBacks{};
  std::vector<const void*> values;
};

struct OpaqueCFDictionary final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeDictionary;
  struct Entry {
    const void* key;
    const void* value;
    CFHashCode hash;
  };

  OpaqueCFDictionary(bool isMutable, CFIndex capacity, const CFDictionaryKeyCallBacks* keyCb,
                     const CFDictionaryValueCallBacks* valueCb);
  ~OpaqueCFDictionary() override;
  bool Equals(const cfx::Object& other) const override;
  CFHashCode Hash() const override { return entries.size(); }
  std::string Describe() const override;

  // Index of the entry with that key, or -1.
  long Find(const void* key) const;
  CFHashCode HashKey(const void* key) const;
  // Adds a new entry, retaining key and value; false beyond the capacity.
  bool Add(const void* key, const void* value);
  void Replace(size_t index, const void* value);
  void Remove(size_t index);
  void Clear();

  const bool isMutable;
  const CFIndex capacity;
  CFDictionaryKeyCallBacks keyCallBacks{};
  CFDictionaryValueCallBacks valueCallBacks{};
  std::vector<Entry> entries;
  std::unordered_multimap<CFHashCode, size_t> index;
};
