// Images made of representations; the layer's representations are 8-bit
// RGBA bitmaps (NSBitmapImageRep), enough for custom cursors. Files are
// decoded from PNG or JPEG. Main thread.
#pragma once

#include <vector>

#include <AppKit/NSResponder.h>

class NSImageRep : public NSObject {
  NS_CLASS(NSImageRep, NSObject)
 public:
  NSSize size() const { return size_; }  // in points
  void setSize(NSSize size) { size_ = size; }
  NSInteger pixelsWide() const { return pixelsWide_; }
  NSInteger pixelsHigh() const { return pixelsHigh_; }

 protected:
  NSImageRep() = default;
  NSSize size_ = NSZeroSize;
  NSInteger pixelsWide_ = 0, pixelsHigh_ = 0;
};

// Straight (not premultiplied) RGBA, 8 bits a sample, rows top to bottom.
class NSBitmapImageRep : public NSImageRep {
  NS_CLASS(NSBitmapImageRep, NSImageRep)
 public:
  // Only 8 bits per sample, 4 samples with alpha, meshed (not planar) is
  // made; planes may be null (zeroed pixels owned by the rep) or one plane
  // (copied). Other layouts or sizes (each side 1 to 4096) give nil.
  NSBitmapImageRep* initWithBitmapDataPlanes(unsigned char** planes, NSInteger pixelsWide, NSInteger pixelsHigh,
                                             NSInteger bitsPerSample, NSInteger samplesPerPixel, BOOL hasAlpha,
                                             BOOL isPlanar, NSString* colorSpaceName, NSInteger bytesPerRow,
                                             NSInteger bitsPerPixel);
  unsigned char* bitmapData() { return pixels_.data(); }
  const std::vector<unsigned char>& pixels() const { return pixels_; }
  NSInteger bytesPerRow() const { return pixelsWide_ * 4; }

 protected:
  NSBitmapImageRep() = default;

 private:
  std::vector<unsigned char> pixels_;
};

extern NSString* const NSDeviceRGBColorSpace;
extern NSString* const NSCalibratedRGBColorSpace;

class NSImage : public NSObject {
  NS_CLASS(NSImage, NSObject)
 public:
  NSImage* initWithSize(NSSize size);
  // nil when the file cannot be read or decoded.
  NSImage* initWithContentsOfFile(NSString* path);
  // Read when first needed; isValid tells whether it could be.
  NSImage* initByReferencingFile(NSString* path);
  NSSize size();
  void setSize(NSSize size) { size_ = size; }
  BOOL isValid();
  void addRepresentation(NSImageRep* rep);  // retained
  NSArray* representations();                // autoreleased
  // The bitmap with the most pixels, or null.
  NSBitmapImageRep* bestBitmap();
  void dealloc() override;

 protected:
  NSImage() = default;

 private:
  bool load();
  NSSize size_ = NSZeroSize;
  std::vector<NSImageRep*> reps_;
  NSString* referencedPath_ = nullptr;
  bool loaded_ = true;
};
