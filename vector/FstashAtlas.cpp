// Skyline rectangle packer of the font stash atlas.
#include <cstdlib>
#include <cstring>

#include "vector/Fstash.h"

namespace fx::gfx {

FstashAtlas* fstashAllocAtlas(int w, int h, int nnodes) {
  auto* atlas = static_cast<FstashAtlas*>(std::calloc(1, sizeof(FstashAtlas)));
  if (atlas == nullptr) return nullptr;
  atlas->width = w;
  atlas->height = h;
  atlas->nodes = static_cast<FstashAtlasNode*>(std::calloc(static_cast<size_t>(nnodes), sizeof(FstashAtlasNode)));
  if (atlas->nodes == nullptr) {
    std::free(atlas);
    return nullptr;
  }
  atlas->cnodes = nnodes;
  atlas->nnodes = 1;
  atlas->nodes[0] = {0, 0, static_cast<int16_t>(w)};
  return atlas;
}

void fstashDeleteAtlas(FstashAtlas* atlas) {
  if (atlas == nullptr) return;
  std::free(atlas->nodes);
  std::free(atlas);
}

static int atlasInsertNode(FstashAtlas* atlas, int idx, int x, int y, int w) {
  if (atlas->nnodes + 1 > atlas->cnodes) {
    const int cap = atlas->cnodes == 0 ? 8 : atlas->cnodes * 2;
    auto* nodes = static_cast<FstashAtlasNode*>(std::realloc(atlas->nodes, sizeof(FstashAtlasNode) * cap));
    if (nodes == nullptr) return 0;
    atlas->nodes = nodes;
    atlas->cnodes = cap;
  }
  std::memmove(&atlas->nodes[idx + 1], &atlas->nodes[idx], sizeof(FstashAtlasNode) * (atlas->nnodes - idx));
  atlas->nodes[idx] = {static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(w)};
  atlas->nnodes++;
  return 1;
}

static void atlasRemoveNode(FstashAtlas* atlas, int idx) {
  if (atlas->nnodes == 0) return;
  std::memmove(&atlas->nodes[idx], &atlas->nodes[idx + 1], sizeof(FstashAtlasNode) * (atlas->nnodes - idx - 1));
  atlas->nnodes--;
}

// Lowest row at which a w x h rectangle fits on the skyline starting at node i, or -1.
static int atlasRectFits(const FstashAtlas* atlas, int i, int w, int h) {
  const int x = atlas->nodes[i].x;
  if (x + w > atlas->width) return -1;
  int y = atlas->nodes[i].y;
  int spaceLeft = w;
  while (spaceLeft > 0) {
    if (i == atlas->nnodes) return -1;
    if (atlas->nodes[i].y > y) y = atlas->nodes[i].y;
    if (y + h > atlas->height) return -1;
    spaceLeft -= atlas->nodes[i].width;
    ++i;
  }
  return y;
}

static int atlasAddSkylineLevel(FstashAtlas* atlas, int idx, int x, int y, int w, int h) {
  if (!atlasInsertNode(atlas, idx, x, y + h, w)) return 0;
  // Trim or remove the nodes now covered by the new span.
  for (int i = idx + 1; i < atlas->nnodes; i++) {
    const int prevEnd = atlas->nodes[i - 1].x + atlas->nodes[i - 1].width;
    if (atlas->nodes[i].x < prevEnd) {
      const int shrink = prevEnd - atlas->nodes[i].x;
      atlas->nodes[i].x = static_cast<int16_t>(atlas->nodes[i].x + shrink);
      atlas->nodes[i].width = static_cast<int16_t>(atlas->nodes[i].width - shrink);
      if (atlas->nodes[i].width <= 0) {
        atlasRemoveNode(atlas, i);
        i--;
      } else {
        break;
      }
    } else {
      break;
    }
  }
  // Merge neighbours at the same height.
  for (int i = 0; i < atlas->nnodes - 1; i++) {
    if (atlas->nodes[i].y == atlas->nodes[i + 1].y) {
      atlas->nodes[i].width = static_cast<int16_t>(atlas->nodes[i].width + atlas->nodes[i + 1].width);
      atlasRemoveNode(atlas, i + 1);
      i--;
    }
  }
  return 1;
}

int fstashAtlasAddRect(FstashAtlas* atlas, int rw, int rh, int* rx, int* ry) {
  if (rw <= 0 || rh <= 0) return 0;
  int besth = atlas->height, bestw = atlas->width, besti = -1;
  int bestx = -1, besty = -1;
  for (int i = 0; i < atlas->nnodes; i++) {
    const int y = atlasRectFits(atlas, i, rw, rh);
    if (y != -1) {
      if (y + rh < besth || (y + rh == besth && atlas->nodes[i].width < bestw)) {
        besti = i;
        bestw = atlas->nodes[i].width;
        besth = y + rh;
        bestx = atlas->nodes[i].x;
        besty = y;
      }
    }
  }
  if (besti == -1) return 0;
  if (!atlasAddSkylineLevel(atlas, besti, bestx, besty, rw, rh)) return 0;
  *rx = bestx;
  *ry = besty;
  return 1;
}

}  // namespace fx::gfx
