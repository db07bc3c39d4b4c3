// Buffers, textures and samplers. Storage is CPU memory in every storage mode; the
// device's execution lock keeps replaceRegion/getBytes apart from command buffers being
// executed. Buffer contents are not locked: as on any GPU, the caller must not write a
// buffer a committed command buffer still reads.
#pragma once

#include <vector>

#include <Metal/MTLObject.h>
#include <Metal/MTLTypes.h>

class MTLDevice;

class MTLBuffer : public MTLObject {
 public:
  void* contents() { return bytes_; }
  const void* contents() const { return bytes_; }
  NSUInteger length() const { return length_; }
  MTLDevice* device() const { return device_; }
  void didModifyRange(NSUInteger, NSUInteger) {}

 private:
  friend class MTLDevice;
  MTLBuffer(MTLDevice* device, void* bytes, NSUInteger length);
  ~MTLBuffer() override;
  MTLDevice* device_;
  void* bytes_;
  NSUInteger length_;
};

struct MTLTextureDescriptor {
  MTLTextureType textureType = MTLTextureType2D;
  MTLPixelFormat pixelFormat = MTLPixelFormatRGBA8Unorm;
  NSUInteger width = 1;
  NSUInteger height = 1;
  NSUInteger mipmapLevelCount = 1;
  MTLTextureUsage usage = MTLTextureUsageShaderRead;
  MTLStorageMode storageMode = MTLStorageModeManaged;

  static MTLTextureDescriptor texture2DDescriptorWithPixelFormat(MTLPixelFormat format, NSUInteger width,
                                                                 NSUInteger height, bool mipmapped);
};

class MTLTexture : public MTLObject {
 public:
  MTLTextureType textureType() const { return MTLTextureType2D; }
  MTLPixelFormat pixelFormat() const { return format_; }
  NSUInteger width() const { return width_; }
  NSUInteger height() const { return height_; }
  NSUInteger mipmapLevelCount() const { return static_cast<NSUInteger>(levels_.size()); }
  MTLTextureUsage usage() const { return usage_; }
  MTLStorageMode storageMode() const { return storage_; }
  MTLDevice* device() const { return device_; }

  // Copies rows into / out of a level. A region outside the level, a null pointer or a
  // row pitch shorter than the region is ignored (nothing is copied).
  void replaceRegion(MTLRegion region, NSUInteger level, const void* bytes, NSUInteger bytesPerRow);
  void getBytes(void* bytes, NSUInteger bytesPerRow, MTLRegion region, NSUInteger level) const;

  // Direct access for the software pipeline (execution thread or under the device lock).
  NSUInteger levelWidth(NSUInteger level) const { return levels_[level].width; }
  NSUInteger levelHeight(NSUInteger level) const { return levels_[level].height; }
  NSUInteger levelPitch(NSUInteger level) const { return levels_[level].width * texelBytes_; }
  // (Writable access forgets what clearedRows knew of level 0.)
  unsigned char* levelBytes(NSUInteger level) {
    if (level == 0) cleared_ = ClearedRows{};
    return levels_[level].bytes.data();
  }
  const unsigned char* levelBytes(NSUInteger level) const { return levels_[level].bytes.data(); }
  NSUInteger texelBytes() const { return texelBytes_; }

  // What the software pipeline knows of level 0 since it last cleared it: every byte holds
  // value outside rows [top, bottom), or nothing is known (value -1). Lets a clear rewrite
  // only the rows drawn since (Rasterizer.cpp).
  struct ClearedRows {
    int value = -1;
    NSUInteger top = 0, bottom = 0;
  };
  ClearedRows clearedRows() const { return cleared_; }
  void setClearedRows(ClearedRows rows) { cleared_ = rows; }

  // Rebuilds levels 1.. from level 0 (blit encoder): each texel is the average of the area
  // it covers in the level above, 2 x 2 texels on even sides, and on an odd side the three
  // it overlaps weighted by their shares, so no row or column is left out.
  void generateMipmaps();

 private:
  friend class MTLDevice;
  struct Level {
    NSUInteger width, height;
    std::vector<unsigned char> bytes;
  };
  MTLTexture(MTLDevice* device, const MTLTextureDescriptor& d);
  ~MTLTexture() override;
  bool copyRegionCheck(MTLRegion region, NSUInteger level, const void* bytes, NSUInteger bytesPerRow) const;
  MTLDevice* device_;
  MTLPixelFormat format_;
  NSUInteger width_, height_;
  MTLTextureUsage usage_;
  MTLStorageMode storage_;
  NSUInteger texelBytes_;
  std::vector<Level> levels_;
  ClearedRows cleared_;
};

struct MTLSamplerDescriptor {
  MTLSamplerMinMagFilter minFilter = MTLSamplerMinMagFilterNearest;
  MTLSamplerMinMagFilter magFilter = MTLSamplerMinMagFilterNearest;
  MTLSamplerMipFilter mipFilter = MTLSamplerMipFilterNotMipmapped;
  MTLSamplerAddressMode sAddressMode = MTLSamplerAddressModeClampToEdge;
  MTLSamplerAddressMode tAddressMode = MTLSamplerAddressModeClampToEdge;
  bool normalizedCoordinates = true;
};

class MTLSamplerState : public MTLObject {
 public:
  const MTLSamplerDescriptor& descriptor() const { return d_; }
  MTLDevice* device() const { return device_; }

 private:
  friend class MTLDevice;
  MTLSamplerState(MTLDevice* device, const MTLSamplerDescriptor& d);
  ~MTLSamplerState() override;
  MTLDevice* device_;
  MTLSamplerDescriptor d_;
};
