#include <cstdio>
#include <new>
#include <vector>

#include <CoreFoundation/CFObject.h>
#include <CoreGraphics/CGFontBytes.h>

struct OpaqueCGDataProvider final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeDataProvider;
  OpaqueCGDataProvider() : cfx::Object(kType, false) {}
  ~OpaqueCGDataProvider() override {
    if (release != nullptr) release(info, external, size);
    if (url != nullptr) CFRelease(url);
    if (cfData != nullptr) CFRelease(cfData);
  }
  const uint8_t* bytes() const { return external != nullptr ? static_cast<const uint8_t*>(external) : owned.data(); }

  std::vector<uint8_t> owned;
  const void* external = nullptr;
  size_t size = 0;
  void* info = nullptr;
  CGDataProviderReleaseDataCallback release = nullptr;
  CFURLRef url = nullptr;
  CFDataRef cfData = nullptr;
};

namespace {

const OpaqueCGDataProvider* Provider(CGDataProviderRef p) { return cfx::As<OpaqueCGDataProvider>(p); }

// Reads a whole regular file; false when it cannot be read.
bool ReadFile(const std::string& path, std::vector<uint8_t>& out) {
  cgx::SfntFile file(path);
  if (!file.isOpen() || file.size() > (uint64_t(1) << 31)) return false;
  out.resize(static_cast<size_t>(file.size()));
  return file.read(0, out.size(), out.data());
}

}  // namespace

extern "C" {

CFTypeID CGDataProviderGetTypeID(void) { return cfx::kTypeDataProvider; }

CGDataProviderRef CGDataProviderCreateWithFilename(const char* filename) {
  if (filename == nullptr) return nullptr;
  auto* p = new (std::nothrow) OpaqueCGDataProvider();
  if (p == nullptr) return nullptr;
  if (!ReadFile(filename, p->owned)) {
    p->Release();
    return nullptr;
  }
  p->size = p->owned.size();
  return p;
}

CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url) {
  UInt8 path[4096];
  if (url == nullptr || !CFURLGetFileSystemRepresentation(url, true, path, sizeof path)) return nullptr;
  CGDataProviderRef p = CGDataProviderCreateWithFilename(reinterpret_cast<const char*>(path));
  if (p != nullptr) p->url = static_cast<CFURLRef>(CFRetain(url));
  return p;
}

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData) {
  auto* p = data != nullptr ? new (std::nothrow) OpaqueCGDataProvider() : nullptr;
  if (p == nullptr) {
    if (releaseData != nullptr) releaseData(info, data, size);
    return nullptr;
  }
  p->external = data, p->size = size, p->info = info, p->release = releaseData;
  return p;
}

CGDataProviderRef CGDataProviderCreateWithCFData(CFDataRef data) {
  if (data == nullptr) return nullptr;
  CFDataRef copy = CFDataCreateCopy(nullptr, data);
  if (copy == nullptr) return nullptr;
  CGDataProviderRef p = CGDataProviderCreateWithData(nullptr, CFDataGetBytePtr(copy),
                                                     static_cast<size_t>(CFDataGetLength(copy)), nullptr);
  if (p == nullptr) {
    CFRelease(copy);
    return nullptr;
  }
  p->cfData = copy;
  if (p->size == 0) p->external = nullptr;  // an empty CFData may have no byte pointer
  return p;
}

CFDataRef CGDataProviderCopyData(CGDataProviderRef provider) {
  const OpaqueCGDataProvider* p = Provider(provider);
  if (p == nullptr) return nullptr;
  return CFDataCreate(nullptr, p->bytes(), static_cast<CFIndex>(p->size));
}

CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider) {
  CFRetain(provider);
  return provider;
}

void CGDataProviderRelease(CGDataProviderRef provider) { CFRelease(provider); }

}  // extern "C"

namespace cgx {

const uint8_t* ProviderBytes(CGDataProviderRef provider, size_t* size) {
  const OpaqueCGDataProvider* p = Provider(provider);
  if (size != nullptr) *size = p != nullptr ? p->size : 0;
  return p != nullptr ? p->bytes() : nullptr;
}

CFURLRef ProviderURL(CGDataProviderRef provider) {
  const OpaqueCGDataProvider* p = Provider(provider);
  return p != nullptr ? p->url : nullptr;
}

}  // namespace cgx
