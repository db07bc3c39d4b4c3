#include <algorithm>
#include <cstdio>

#include <CoreFoundation/CFString.h>

#include "CFContainers.h"

namespace {

const void* CopyString(CFAllocatorRef, const void* value) {
  return CFStringCreateCopy(nullptr, static_cast<CFStringRef>(value));
}

OpaqueCFDictionary* MutableDictionary(CFMutableDictionaryRef dict) {
  OpaqueCFDictionary* d = cfx::AsMutable<OpaqueCFDictionary>(dict);
  return (d != nullptr && d->isMutable) ? d : nullptr;
}

std::string DescribeWith(CFDictionaryCopyDescriptionCallBack describe, const void* value) {
  if (describe == nullptr) {
    char ptr[32];
    std::snprintf(ptr, sizeof ptr, "<%p>", value);
    return ptr;
  }
  CFStringRef d = describe(value);
  std::string text = cfx::DescribeObject(d);
  CFRelease(d);
  return text;
}

}  // namespace

OpaqueCFDictionary::OpaqueCFDictionary(bool isMutable, CFIndex capacity, const CFDictionaryKeyCallBacks* keyCb,
                                       const CFDictionaryValueCallBacks* valueCb)
    : cfx::Object(kType, false), isMutable(isMutable), capacity(capacity) {
  if (keyCb != nullptr) keyCallBacks = *keyCb;
  if (valueCb != nullptr) valueCallBacks = *valueCb;
}

OpaqueCFDictionary::~OpaqueCFDictionary() { Clear(); }

CFHashCode OpaqueCFDictionary::HashKey(const void* key) const {
  return keyCallBacks.hash != nullptr ? keyCallBacks.hash(key) : reinterpret_cast<CFHashCode>(key) >> 3;
}

long OpaqueCFDictionary::Find(const void* key) const {
  const CFHashCode h = HashKey(key);
  auto range = index.equal_range(h);
  for (auto it = range.first; it != range.second; ++it) {
    const void* k = entries[it->second].key;
    if (k == key || (keyCallBacks.equal != nullptr && keyCallBacks.equal(k, key))) return static_cast<long>(it->second);
  }
  return -1;
}

bool OpaqueCFDictionary::Add(const void* key, const void* value) {
  if (capacity > 0 && entries.size() >= static_cast<size_t>(capacity)) return false;
  const void* k = keyCallBacks.retain != nullptr ? keyCallBacks.retain(nullptr, key) : key;
  const void* v = valueCallBacks.retain != nullptr ? valueCallBacks.retain(nullptr, value) : value;
  const CFHashCode h = HashKey(k);
  entries.push_back(Entry{k, v, h});
  index.emplace(h, entries.size() - 1);
  return true;
}

void OpaqueCFDictionary::Replace(size_t i, const void* value) {
  const void* v = valueCallBacks.retain != nullptr ? valueCallBacks.retain(nullptr, value) : value;
  const void* old = entries[i].value;
  entries[i].value = v;
  if (valueCallBacks.release != nullptr) valueCallBacks.release(nullptr, old);
}

void OpaqueCFDictionary::Remove(size_t i) {
  const Entry removed = entries[i];
  auto eraseIndex = [this](CFHashCode h, size_t at) {
    auto range = index.equal_range(h);
    for (auto it = range.first; it != range.second; ++it)
      if (it->second == at) return index.erase(it), void();
  };
  eraseIndex(removed.hash, i);
  const size_t last = entries.size() - 1;
  if (i != last) {  // move the last entry into the hole
    eraseIndex(entries[last].hash, last);
    entries[i] = entries[last];
    index.emplace(entries[i].hash, i);
  }
  entries.pop_back();
  if (keyCallBacks.release != nullptr) keyCallBacks.release(nullptr, removed.key);
  if (valueCallBacks.release != nullptr) valueCallBacks.release(nullptr, removed.value);
}

void OpaqueCFDictionary::Clear() {
  std::vector<Entry> old;
  old.swap(entries);
  index.clear();
  for (const Entry& e : old) {
    if (keyCallBacks.release != nullptr) keyCallBacks.release(nullptr, e.key);
    if (valueCallBacks.release != nullptr) valueCallBacks.release(nullptr, e.value);
  }
}

bool OpaqueCFDictionary::Equals(const cfx::Object& other) const {
  const auto& o = static_cast<const OpaqueCFDictionary&>(other);
  if (entries.size() != o.entries.size()) return false;
  for (const Entry& e : entries) {
    const long j = o.Find(e.key);
    if (j < 0) return false;
    const void* ov = o.entries[static_cast<size_t>(j)].value;
    if (e.value != ov && (valueCallBacks.equal == nullptr || !valueCallBacks.equal(e.value, ov))) return false;
  }
  return true;
}

std::string OpaqueCFDictionary::Describe() const {
  std::string text = "{";
  for (const Entry& e : entries) {
    text.append(" ").append(DescribeWith(keyCallBacks.copyDescription, e.key));
    text.append(" = ").append(DescribeWith(valueCallBacks.copyDescription, e.value)).append(";");
  }
  text.append(" }");
  return text;
}

extern "C" {

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {0, cfx::RetainType, cfx::ReleaseType,
                                                                 CFCopyDescription, cfx::EqualTypes, CFHash};
const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks = {0, CopyString, cfx::ReleaseType,
                                                                      CFCopyDescription, cfx::EqualTypes, CFHash};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, cfx::RetainType, cfx::ReleaseType,
                                                                    CFCopyDescription, cfx::EqualTypes};

CFTypeID CFDictionaryGetTypeID(void) { return cfx::kTypeDictionary; }

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values, CFIndex numValues,
                                   const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
  if (numValues < 0 || (numValues > 0 && (keys == nullptr || values == nullptr))) return nullptr;
  auto* d = new OpaqueCFDictionary(false, 0, keyCallBacks, valueCallBacks);
  for (CFIndex i = 0; i < numValues; ++i) {
    const long found = d->Find(keys[i]);
    if (found >= 0) d->Replace(static_cast<size_t>(found), values[i]);  // a repeated key: the last value wins
    else d->Add(keys[i], values[i]);
  }
  return d;
}

CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef, CFDictionaryRef dict) {
  const OpaqueCFDictionary* src = cfx::As<OpaqueCFDictionary>(dict);
  if (src == nullptr) return nullptr;
  auto* d = new OpaqueCFDictionary(false, 0, &src->keyCallBacks, &src->valueCallBacks);
  for (const auto& e : src->entries) d->Add(e.key, e.value);
  return d;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
  if (capacity < 0) return nullptr;
  return new OpaqueCFDictionary(true, capacity, keyCallBacks, valueCallBacks);
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef, CFIndex capacity, CFDictionaryRef dict) {
  const OpaqueCFDictionary* src = cfx::As<OpaqueCFDictionary>(dict);
  if (src == nullptr || capacity < 0 || (capacity > 0 && capacity < static_cast<CFIndex>(src->entries.size())))
    return nullptr;
  auto* d = new OpaqueCFDictionary(true, capacity, &src->keyCallBacks, &src->valueCallBacks);
  for (const auto& e : src->entries) d->Add(e.key, e.value);
  return d;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef dict) {
  const OpaqueCFDictionary* d = cfx::As<OpaqueCFDictionary>(dict);
  return d != nullptr ? static_cast<CFIndex>(d->entries.size()) : 0;
}

const void* CFDictionaryGetValue(CFDictionaryRef dict, const void* key) {
  const void* value = nullptr;
  CFDictionaryGetValueIfPresent(dict, key, &value);
  return value;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef dict, const void* key, const void** value) {
  const OpaqueCFDictionary* d = cfx::As<OpaqueCFDictionary>(dict);
  if (d == nullptr) return false;
  const long i = d->Find(key);
  if (i < 0) return false;
  if (value != nullptr) *value = d->entries[static_cast<size_t>(i)].value;
  return true;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef dict, const void* key) {
  return CFDictionaryGetValueIfPresent(dict, key, nullptr);
}

Boolean CFDictionaryContainsValue(CFDictionaryRef dict, const void* value) {
  const OpaqueCFDictionary* d = cfx::As<OpaqueCFDictionary>(dict);
  if (d == nullptr) return false;
  for (const auto& e : d->entries)
    if (e.value == value || (d->valueCallBacks.equal != nullptr && d->valueCallBacks.equal(e.value, value)))
      return true;
  return false;
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef dict, const void** keys, const void** values) {
  const OpaqueCFDictionary* d = cfx::As<OpaqueCFDictionary>(dict);
  if (d == nullptr) return;
  for (size_t i = 0; i < d->entries.size(); ++i) {
    if (keys != nullptr) keys[i] = d->entries[i].key;
    if (values != nullptr) values[i] = d->entries[i].value;
  }
}

void CFDictionaryApplyFunction(CFDictionaryRef dict, CFDictionaryApplierFunction applier, void* context) {
  const OpaqueCFDictionary* d = cfx::As<OpaqueCFDictionary>(dict);
  if (d == nullptr || applier == nullptr) return;
  const std::vector<OpaqueCFDictionary::Entry> snapshot = d->entries;
  for (const auto& e : snapshot) applier(e.key, e.value, context);
}

void CFDictionaryAddValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
  OpaqueCFDictionary* d = MutableDictionary(dict);
  if (d != nullptr && d->Find(key) < 0) d->Add(key, value);
}

void CFDictionarySetValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
  OpaqueCFDictionary* d = MutableDictionary(dict);
  if (d == nullptr) return;
  const long i = d->Find(key);
  if (i >= 0) d->Replace(static_cast<size_t>(i), value);
  else d->Add(key, value);
}

void CFDictionaryReplaceValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
  OpaqueCFDictionary* d = MutableDictionary(dict);
  if (d == nullptr) return;
  const long i = d->Find(key);
  if (i >= 0) d->Replace(static_cast<size_t>(i), value);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef dict, const void* key) {
  OpaqueCFDictionary* d = MutableDictionary(dict);
  if (d == nullptr) return;
  const long i = d->Find(key);
  if (i >= 0) d->Remove(static_cast<size_t>(i));
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef dict) {
  if (OpaqueCFDictionary* d = MutableDictionary(dict)) d->Clear();
}

}  // extern "C"
