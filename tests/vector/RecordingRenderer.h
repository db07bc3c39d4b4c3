// A renderer back end for tests: keeps textures in memory and records every callback
// with deep copies of the paths and vertices it was handed.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "vector/VGContext.h"

namespace fx::gfx::test {

struct RecordedPath {
  std::vector<VGvertex> fill;
  std::vector<VGvertex> stroke;
  int closed = 0;
  int convex = 0;
  int winding = 0;
  int nbevel = 0;
  int count = 0;
};

struct RecordedCall {
  std::string kind;  // "fill", "stroke", "triangles"
  VGpaint paint{};
  VGcompositeOperationState op{};
  VGscissor scissor{};
  float fringe = 0;
  float strokeWidth = 0;
  float bounds[4] = {0, 0, 0, 0};
  std::vector<RecordedPath> paths;
  std::vector<VGvertex> verts;
};

struct Texture {
  int type = 0, w = 0, h = 0, flags = 0;
  std::vector<unsigned char> data;
};

class RecordingRenderer {
 public:
  RecordingRenderer() {
    std::memset(&table_, 0, sizeof(table_));
    table_.userPtr = this;
    table_.edgeAntiAlias = 1;
    table_.renderCreate = [](void* u) { return self(u)->createResult; };
    table_.renderCreateTexture = [](void* u, int type, int w, int h, int flags, const unsigned char* data) {
      auto* r = self(u);
      if (r->failTextures) return 0;
      const int id = r->nextId++;
      Texture t;
      t.type = type;
      t.w = w;
      t.h = h;
      t.flags = flags;
      t.data.assign(static_cast<size_t>(w) * h * (type == VG_TEXTURE_RGBA ? 4 : 1), 0);
      if (data) std::memcpy(t.data.data(), data, t.data.size());
      r->textures[id] = t;
      r->created++;
      return id;
    };
    table_.renderDeleteTexture = [](void* u, int image) {
      auto* r = self(u);
      r->deleted.push_back(image);
      return static_cast<int>(r->textures.erase(image));
    };
    table_.renderUpdateTexture = [](void* u, int image, int x, int y, int w, int h, const unsigned char* data) {
      auto* r = self(u);
      r->updates++;
      auto it = r->textures.find(image);
      if (it == r->textures.end()) return 0;
      Texture& t = it->second;
      const int bpp = t.type == VG_TEXTURE_RGBA ? 4 : 1;
      for (int row = y; row < y + h; row++)
        std::memcpy(&t.data[(static_cast<size_t>(row) * t.w + x) * bpp], &data[(static_cast<size_t>(row) * t.w + x) * bpp],
                    static_cast<size_t>(w) * bpp);
      return 1;
    };
    table_.renderGetTextureSize = [](void* u, int image, int* w, int* h) {
      auto* r = self(u);
      auto it = r->textures.find(image);
      if (it == r->textures.end()) return 0;
      *w = it->second.w;
      *h = it->second.h;
      return 1;
    };
    table_.renderViewport = [](void* u, float w, float h, float ratio) {
      self(u)->viewport[0] = w;
      self(u)->viewport[1] = h;
      self(u)->viewport[2] = ratio;
    };
    table_.renderCancel = [](void* u) { self(u)->cancels++; };
    table_.renderFlush = [](void* u) { self(u)->flushes++; };
    table_.renderFill = [](void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor, float fringe,
                           const float* bounds, const VGpath* paths, int npaths) {
      RecordedCall c = make("fill", paint, op, scissor, fringe);
      std::memcpy(c.bounds, bounds, sizeof(c.bounds));
      copyPaths(c, paths, npaths);
      self(u)->calls.push_back(c);
    };
    table_.renderStroke = [](void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor, float fringe,
                             float strokeWidth, const VGpath* paths, int npaths) {
      RecordedCall c = make("stroke", paint, op, scissor, fringe);
      c.strokeWidth = strokeWidth;
      copyPaths(c, paths, npaths);
      self(u)->calls.push_back(c);
    };
    table_.renderTriangles = [](void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor,
                                const VGvertex* verts, int nverts, float fringe) {
      RecordedCall c = make("triangles", paint, op, scissor, fringe);
      c.verts.assign(verts, verts + nverts);
      self(u)->calls.push_back(c);
    };
    table_.renderDelete = [](void* u) { self(u)->deletes++; };
  }

  const VGrenderer* table() const { return &table_; }
  VGrenderer* mutableTable() { return &table_; }

  int createResult = 1;
  bool failTextures = false;
  int nextId = 1;
  int created = 0;
  int updates = 0;
  int cancels = 0;
  int flushes = 0;
  int deletes = 0;
  float viewport[3] = {0, 0, 0};
  std::map<int, Texture> textures;
  std::vector<int> deleted;
  std::vector<RecordedCall> calls;

 private:
  static RecordingRenderer* self(void* u) { return static_cast<RecordingRenderer*>(u); }
  static RecordedCall make(const char* kind, const VGpaint* paint, VGcompositeOperationState op,
                           const VGscissor* scissor, float fringe) {
    RecordedCall c;
    c.kind = kind;
    c.paint = *paint;
    c.op = op;
    c.scissor = *scissor;
    c.fringe = fringe;
    return c;
  }
  static void copyPaths(RecordedCall& c, const VGpath* paths, int npaths) {
    for (int i = 0; i < npaths; i++) {
      RecordedPath p;
      if (paths[i].fill) p.fill.assign(paths[i].fill, paths[i].fill + paths[i].nfill);
      if (paths[i].stroke) p.stroke.assign(paths[i].stroke, paths[i].stroke + paths[i].nstroke);
      p.closed = paths[i].closed;
      p.convex = paths[i].convex;
      p.winding = paths[i].winding;
      p.nbevel = paths[i].nbevel;
      p.count = paths[i].count;
      c.paths.push_back(p);
    }
  }
  VGrenderer table_;
};

// A context on a recording renderer, deleted with the fixture.
struct RecordingContext {
  RecordingRenderer r;
  VGcontext* ctx = nullptr;
  RecordingContext() { ctx = vgrCreateContext(r.table()); }
  ~RecordingContext() { vgrDeleteContext(ctx); }
};

}  // namespace fx::gfx::test
