// Shader libraries and functions. A library is a blob that starts with the "MTLB"
// signature and names its functions; the functions themselves are software programs
// registered by name with MTLRegisterProgram before the library is loaded.
//
// Blob layout: "MTLB", uint32 version (1), uint32 function count, then per function a
// uint8 type (1 vertex, 2 fragment) and a NUL-terminated name. Integers little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <Metal/MTLObject.h>
#include <Metal/MTLResource.h>
#include <Metal/MTLTypes.h>

enum MTLFunctionType : NSUInteger { MTLFunctionTypeVertex = 1, MTLFunctionTypeFragment = 2 };

inline constexpr int kMTLMaxVaryings = 8;
inline constexpr int kMTLMaxBufferBindings = 4;
inline constexpr int kMTLMaxTextureBindings = 2;
inline constexpr int kMTLMaxAttributes = 4;

// A bound buffer as a program sees it: contents from the bound offset on.
struct MTLShaderBuffer {
  const unsigned char* bytes;
  NSUInteger length;
};

struct MTLVertexIn {
  float attributes[kMTLMaxAttributes][4];  // fetched by the vertex descriptor, missing lanes 0 (w 1)
  NSUInteger vertexId;
  const MTLShaderBuffer* buffers;  // vertex buffers by index
};

struct MTLVertexOut {
  float position[4];  // clip space
  float varyings[kMTLMaxVaryings];
};

// A run of pixels on one row that passed rasterisation and the stencil test. varyings
// holds the interpolated values at the centre of pixel (x, y), dvdx their change per pixel
// along the row and dvdy per row (the screen-space derivatives a sampler's level of
// detail comes from).
struct MTLFragmentSpan {
  int x, y, count;
  const float* varyings;
  const float* dvdx;
  const float* dvdy;
  const MTLShaderBuffer* buffers;                // fragment buffers by index
  const MTLTexture* const* textures;             // fragment textures by index (may be null)
  const MTLSamplerState* const* samplers;        // fragment samplers by index (may be null)
  // Offered where an opaque colour replaces the pixel (source-over or no blending), else
  // null: a program whose colour for pixel i is an opaque texel as a sampler reads it may
  // put the texel's bytes (R, G, B, A in memory) in texels[i] and flag the pixel
  // kMTLFragmentTexel instead of filling the planes.
  uint32_t* texels;
  // True where a transparent black colour leaves the pixel as it is (source-over): such a
  // pixel may be flagged kMTLFragmentKeep. It still counts as drawn for the stencil. Then
  // (and only then) a program may also put any premultiplied colour as bytes (R, G, B, A
  // in memory) in texels[i] and flag the pixel kMTLFragmentTexelOver: it is blended over
  // the pixel exactly as the same colour given in the planes as bytes / 255 would be.
  bool zeroKeeps;
};

// Per-pixel flags of a fragment program's output.
inline constexpr unsigned char kMTLFragmentShaded = 0;   // colour in the planes
inline constexpr unsigned char kMTLFragmentDiscard = 1;  // discarded
inline constexpr unsigned char kMTLFragmentTexel = 2;    // colour in texels[i]
inline constexpr unsigned char kMTLFragmentKeep = 3;     // transparent black over the pixel
inline constexpr unsigned char kMTLFragmentTexelOver = 4;  // premultiplied colour in texels[i], blended over

// Vertex program: one vertex. Fragment program: premultiplied colour of the span as four
// planes (rgba[0][i] red of pixel i, ... rgba[3][i] alpha) and a flag per pixel (cleared
// before the call; kMTLFragmentDiscard discards the pixel).
typedef void (*MTLVertexProgram)(const MTLVertexIn& in, MTLVertexOut& out);
typedef void (*MTLFragmentProgram)(const MTLFragmentSpan& span, float* const* rgba, unsigned char* discard);

// Registers (or replaces) a program under a name; varyings is the number of varyings the
// vertex program writes (ignored for fragment programs). Thread safe.
void MTLRegisterProgram(const char* name, MTLFunctionType type, void* program, int varyings);

class MTLFunction : public MTLObject {
 public:
  const char* name() const { return name_.c_str(); }
  MTLFunctionType functionType() const { return type_; }
  void* program() const { return program_; }
  int varyingCount() const { return varyings_; }

 private:
  friend class MTLLibrary;
  MTLFunction(std::string name, MTLFunctionType type, void* program, int varyings)
      : name_(std::move(name)), type_(type), program_(program), varyings_(varyings) {}
  std::string name_;
  MTLFunctionType type_;
  void* program_;
  int varyings_;
};

class MTLLibrary : public MTLObject {
 public:
  // Null for a name the library does not hold.
  MTLFunction* newFunctionWithName(const char* name) const;
  const std::vector<std::string>& functionNames() const { return names_; }

  // Parses a blob; null with a description in *error when it is malformed or names a
  // program nobody registered.
  static MTLLibrary* create(const unsigned char* bytes, NSUInteger size, MTLError** error);

 private:
  MTLLibrary() = default;
  std::vector<std::string> names_;
  std::vector<MTLFunctionType> types_;
};
