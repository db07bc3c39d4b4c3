#include <cstring>

#include <AppKit/NSImage.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include "StbBegin.h"
#include <stb_image.h>
#include "StbEnd.h"

NS_IMPLEMENT_CLASS(NSImageRep)
NS_IMPLEMENT_CLASS(NSBitmapImageRep)
NS_IMPLEMENT_CLASS(NSImage)

NSString* const NSDeviceRGBColorSpace = nsx::ConstantString("NSDeviceRGBColorSpace");
NSString* const NSCalibratedRGBColorSpace = nsx::ConstantString("NSCalibratedRGBColorSpace");

namespace {
constexpr NSInteger kMaxSide = 4096;
}  // namespace

NSBitmapImageRep* NSBitmapImageRep::initWithBitmapDataPlanes(unsigned char** planes, NSInteger pixelsWide,
                                                             NSInteger pixelsHigh, NSInteger bitsPerSample,
                                                             NSInteger samplesPerPixel, BOOL hasAlpha, BOOL isPlanar,
                                                             NSString*, NSInteger bytesPerRow, NSInteger bitsPerPixel) {
  const bool supported = pixelsWide >= 1 && pixelsHigh >= 1 && pixelsWide <= kMaxSide && pixelsHigh <= kMaxSide &&
                         bitsPerSample == 8 && samplesPerPixel == 4 && hasAlpha && !isPlanar &&
                         (bitsPerPixel == 0 || bitsPerPixel == 32) && (bytesPerRow == 0 || bytesPerRow >= pixelsWide * 4);
  if (!supported) {
    release();
    return nullptr;
  }
  pixelsWide_ = pixelsWide;
  pixelsHigh_ = pixelsHigh;
  size_ = NSMakeSize(pixelsWide, pixelsHigh);
  pixels_.assign(static_cast<size_t>(pixelsWide * pixelsHigh * 4), 0);
  if (planes != nullptr && planes[0] != nullptr) {
    const NSInteger stride = bytesPerRow != 0 ? bytesPerRow : pixelsWide * 4;
    for (NSInteger y = 0; y < pixelsHigh; ++y)
      std::memcpy(&pixels_[static_cast<size_t>(y * pixelsWide * 4)], planes[0] + y * stride,
                  static_cast<size_t>(pixelsWide * 4));
  }
  return this;
}

NSImage* NSImage::initWithSize(NSSize size) {
  size_ = size;
  return this;
}

NSImage* NSImage::initWithContentsOfFile(NSString* path) {
  referencedPath_ = path != nullptr ? static_cast<NSString*>(path->retain()) : nullptr;
  loaded_ = false;
  if (!load()) {
    release();
    return nullptr;
  }
  return this;
}

NSImage* NSImage::initByReferencingFile(NSString* path) {
  referencedPath_ = path != nullptr ? static_cast<NSString*>(path->retain()) : nullptr;
  loaded_ = false;
  return this;
}

bool NSImage::load() {
  if (loaded_) return !reps_.empty() || referencedPath_ == nullptr;
  loaded_ = true;
  if (referencedPath_ == nullptr) return false;
  int w = 0, h = 0, n = 0;
  if (stbi_info(referencedPath_->UTF8String(), &w, &h, &n) == 0 || w < 1 || h < 1 || w > kMaxSide || h > kMaxSide)
    return false;
  unsigned char* pixels = stbi_load(referencedPath_->UTF8String(), &w, &h, &n, 4);
  if (pixels == nullptr) return false;
  NSBitmapImageRep* rep = NSBitmapImageRep::alloc()->initWithBitmapDataPlanes(&pixels, w, h, 8, 4, YES, NO,
                                                                              NSDeviceRGBColorSpace, w * 4, 32);
  stbi_image_free(pixels);
  if (rep == nullptr) return false;
  if (size_.width <= 0 || size_.height <= 0) size_ = NSMakeSize(w, h);
  reps_.push_back(rep);
  return true;
}

NSSize NSImage::size() {
  load();
  return size_;
}

BOOL NSImage::isValid() { return load() && !reps_.empty(); }

void NSImage::addRepresentation(NSImageRep* rep) {
  if (rep == nullptr) return;
  load();
  reps_.push_back(static_cast<NSImageRep*>(rep->retain()));
  if (size_.width <= 0 || size_.height <= 0) size_ = rep->size();
}

NSArray* NSImage::representations() {
  load();
  return NSArray::arrayWithVector(std::vector<id>(reps_.begin(), reps_.end()));
}

NSBitmapImageRep* NSImage::bestBitmap() {
  load();
  NSBitmapImageRep* best = nullptr;
  for (NSImageRep* r : reps_)
    if (r->isKindOfClass(NSBitmapImageRep::class_()) &&
        (best == nullptr || r->pixelsWide() * r->pixelsHigh() > best->pixelsWide() * best->pixelsHigh()))
      best = static_cast<NSBitmapImageRep*>(r);
  return best;
}

void NSImage::dealloc() {
  for (NSImageRep* r : reps_) r->release();
  reps_.clear();
  if (referencedPath_ != nullptr) referencedPath_->release();
  NSObject::dealloc();
}
