#include <CoreFoundation/CFObject.h>

#include <cstdio>
#include <cstdlib>
#include <limits>

#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CFString.h>

namespace cfx {
namespace {
std::atomic<long> g_liveObjects{0};
}  // namespace

Object::Object(CFTypeID type, bool immortal) : type_(type), immortal_(immortal) {
  if (!immortal_) g_liveObjects.fetch_add(1, std::memory_order_relaxed);
}

Object::~Object() {
  if (!immortal_) g_liveObjects.fetch_sub(1, std::memory_order_relaxed);
}

void Object::Retain() const {
  if (!immortal_) refs_.fetch_add(1, std::memory_order_relaxed);
}

void Object::Release() const {
  if (immortal_) return;
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

CFIndex Object::RetainCount() const {
  return immortal_ ? std::numeric_limits<CFIndex>::max() : refs_.load(std::memory_order_relaxed);
}

std::string Object::Describe() const {
  char text[64];
  std::snprintf(text, sizeof text, "<CFType %lu %p>", static_cast<unsigned long>(type_),
                static_cast<const void*>(this));
  return text;
}

std::string DescribeObject(CFTypeRef ref) {
  const Object* o = ObjectOf(ref);
  return o != nullptr ? o->Describe() : std::string("(null)");
}

long LiveObjectCount() { return g_liveObjects.load(std::memory_order_relaxed); }

// The single heap behind every allocator.
class Allocator final : public Object {
 public:
  static constexpr CFTypeID kType = kTypeAllocator;
  Allocator() : Object(kType, true) {}
  std::string Describe() const override { return "<CFAllocator>"; }
};

namespace {
Allocator& DefaultAllocator() {
  static Allocator* allocator = new Allocator();  // never destroyed: outlives every object
  return *allocator;
}
}  // namespace
}  // namespace cfx

struct OpaqueCFAllocator {};

extern "C" {

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorSystemDefault = reinterpret_cast<CFAllocatorRef>(&cfx::DefaultAllocator());
const CFAllocatorRef kCFAllocatorMalloc = reinterpret_cast<CFAllocatorRef>(&cfx::DefaultAllocator());
const CFAllocatorRef kCFAllocatorNull = reinterpret_cast<CFAllocatorRef>(&cfx::DefaultAllocator());

CFAllocatorRef CFAllocatorGetDefault(void) { return kCFAllocatorSystemDefault; }

void* CFAllocatorAllocate(CFAllocatorRef, CFIndex size, CFOptionFlags) {
  if (size <= 0) return nullptr;
  return std::malloc(static_cast<size_t>(size));
}

void CFAllocatorDeallocate(CFAllocatorRef, void* ptr) { std::free(ptr); }

CFTypeRef CFRetain(CFTypeRef object) {
  if (const cfx::Object* o = cfx::ObjectOf(object)) o->Retain();
  return object;
}

void CFRelease(CFTypeRef object) {
  if (const cfx::Object* o = cfx::ObjectOf(object)) o->Release();
}

CFIndex CFGetRetainCount(CFTypeRef object) {
  const cfx::Object* o = cfx::ObjectOf(object);
  return o != nullptr ? o->RetainCount() : 0;
}

CFTypeID CFGetTypeID(CFTypeRef object) {
  const cfx::Object* o = cfx::ObjectOf(object);
  return o != nullptr ? o->Type() : 0;
}

Boolean CFEqual(CFTypeRef a, CFTypeRef b) {
  if (a == b) return true;
  const cfx::Object* oa = cfx::ObjectOf(a);
  const cfx::Object* ob = cfx::ObjectOf(b);
  if (oa == nullptr || ob == nullptr || oa->Type() != ob->Type()) return false;
  return oa->Equals(*ob);
}

CFHashCode CFHash(CFTypeRef object) {
  const cfx::Object* o = cfx::ObjectOf(object);
  return o != nullptr ? o->Hash() : 0;
}

CFStringRef CFCopyDescription(CFTypeRef object) {
  if (object == nullptr) return nullptr;
  return CFStringCreateWithCString(nullptr, cfx::DescribeObject(object).c_str(), kCFStringEncodingUTF8);
}

CFStringRef CFCopyTypeIDDescription(CFTypeID typeID) {
  const char* name = "CFType";
  switch (typeID) {
    case cfx::kTypeAllocator: name = "CFAllocator"; break;
    case cfx::kTypeString: name = "CFString"; break;
    case cfx::kTypeBoolean: name = "CFBoolean"; break;
    case cfx::kTypeNumber: name = "CFNumber"; break;
    case cfx::kTypeData: name = "CFData"; break;
    case cfx::kTypeArray: name = "CFArray"; break;
    case cfx::kTypeDictionary: name = "CFDictionary"; break;
    case cfx::kTypeDate: name = "CFDate"; break;
    case cfx::kTypeError: name = "CFError"; break;
    case cfx::kTypeURL: name = "CFURL"; break;
    case cfx::kTypeBundle: name = "CFBundle"; break;
    case cfx::kTypeRunLoop: name = "CFRunLoop"; break;
    case cfx::kTypeRunLoopTimer: name = "CFRunLoopTimer"; break;
    case cfx::kTypeDataProvider: name = "CGDataProvider"; break;
    case cfx::kTypeGraphicsFont: name = "CGFont"; break;
    case cfx::kTypeFontDescriptor: name = "CTFontDescriptor"; break;
    case cfx::kTypeFont: name = "CTFont"; break;
    default: break;
  }
  return CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8);
}

}  // extern "C"
