// The layer's own reader of TrueType and OpenType files (single fonts and
// collections): face count and the names of a face. Every read is checked
// against the size of the data, so a damaged or hostile file gives "not a
// font" instead of a read outside it. Used by CGFont and by CoreText's
// font matching. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace cgx {

// Bytes to read from: memory or an open file.
class SfntSource {
 public:
  virtual ~SfntSource() = default;
  virtual uint64_t size() const = 0;
  // Copies length bytes at offset; false when they are not all inside.
  virtual bool read(uint64_t offset, size_t length, uint8_t* out) const = 0;
};

class SfntMemory final : public SfntSource {
 public:
  SfntMemory(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
  uint64_t size() const override { return size_; }
  bool read(uint64_t offset, size_t length, uint8_t* out) const override;

 private:
  const uint8_t* data_;
  size_t size_;
};

class SfntFile final : public SfntSource {
 public:
  explicit SfntFile(const std::string& path);
  ~SfntFile() override;
  SfntFile(const SfntFile&) = delete;
  SfntFile& operator=(const SfntFile&) = delete;
  bool isOpen() const { return file_ != nullptr; }
  uint64_t size() const override { return size_; }
  bool read(uint64_t offset, size_t length, uint8_t* out) const override;

 private:
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
};

struct SfntFace {
  std::string family;             // name 1
  std::string style;              // name 2
  std::string typographicFamily;  // name 16 (empty when absent)
  std::string typographicStyle;   // name 17 (empty when absent)
  std::string fullName;           // name 4
  std::string postScriptName;     // name 6
  uint16_t unitsPerEm = 0;
};

// 1 for a single font, the face count of a collection, 0 when the data is
// not a font file.
uint32_t SfntFaceCount(const SfntSource& source);
// Reads face index: false when there is no such face or it lacks a 'head'
// or 'name' table. Names that cannot be read are left empty.
bool SfntReadFace(const SfntSource& source, uint32_t index, SfntFace& face);

}  // namespace cgx
