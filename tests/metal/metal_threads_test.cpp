// Command-buffer completion on the execution thread and the renderer's frame semaphore.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/metal/Harness.h"

namespace fx::gfx {
namespace {

using test::Harness;
using test::rgba;

// A gate the execution thread waits at inside a completion handler, holding back every
// later command buffer of the queue.
struct Gate {
  std::mutex m;
  std::condition_variable cv;
  bool open = false;
  void wait() {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [this] { return open; });
  }
  void release() {
    {
      std::lock_guard<std::mutex> lock(m);
      open = true;
    }
    cv.notify_all();
  }
};

TEST(MetalThreads, CompletionHandlersRunInCommitOrderOnAnotherThread) {
  MTLDevice* dev = MTLCreateSystemDefaultDevice();
  MTLCommandQueue* q = dev->newCommandQueue();
  std::mutex m;
  std::vector<int> order;
  std::vector<std::thread::id> threads;
  std::vector<MTLCommandBuffer*> cbs;
  for (int i = 0; i < 8; i++) {
    MTLCommandBuffer* cb = q->commandBuffer();
    cb->addCompletedHandler([&, i](MTLCommandBuffer* self) {
      EXPECT_EQ(self->status(), MTLCommandBufferStatusCompleted);
      std::lock_guard<std::mutex> lock(m);
      order.push_back(i);
      threads.push_back(std::this_thread::get_id());
    });
    cb->commit();
    cbs.push_back(cb);
  }
  for (MTLCommandBuffer* cb : cbs) {
    cb->waitUntilCompleted();
    EXPECT_EQ(cb->status(), MTLCommandBufferStatusCompleted);
    cb->release();
  }
  ASSERT_EQ(order.size(), 8u);
  for (int i = 0; i < 8; i++) EXPECT_EQ(order[i], i);
  for (auto id : threads) EXPECT_NE(id, std::this_thread::get_id());
  // Waiting on a buffer that was never committed returns at once.
  MTLCommandBuffer* idle = q->commandBuffer();
  idle->waitUntilCompleted();
  EXPECT_EQ(idle->status(), MTLCommandBufferStatusNotEnqueued);
  idle->release();
  // The last reference to the queue may go while a released buffer is still executing.
  MTLCommandBuffer* last = q->commandBuffer();
  last->commit();
  last->release();
  q->release();
  dev->release();
}

TEST(MetalThreads, AFourthFrameWaitsForTheFirstToComplete) {
  Harness h;  // three buffer sets
  h.fb = mvgrCreateFramebuffer(h.vg, 64, 64, 0);
  mvgrBindFramebuffer(h.fb);
  Gate gate;
  MTLCommandBuffer* blocker = mvgrCommandQueue(h.vg)->commandBuffer();
  blocker->addCompletedHandler([&](MTLCommandBuffer*) { gate.wait(); });
  blocker->commit();
  auto frame = [&](float r) {
    vgrBeginFrame(h.vg, 64, 64, 1);
    vgrBeginPath(h.vg);
    vgrRect(h.vg, 0, 0, 64, 64);
    vgrSetFillColor(h.vg, rgba(r, 0, 0, 1));
    vgrFill(h.vg);
    vgrEndFrame(h.vg);
  };
  for (int i = 0; i < 3; i++) frame(0.25f * (i + 1));
  for (auto* set : h.mvg()->cbuffers) EXPECT_TRUE(set->isBusy.load());
  std::atomic<bool> began{false};
  std::thread fourth([&] {
    vgrBeginFrame(h.vg, 64, 64, 1);
    began = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(began.load());  // all three sets are in flight behind the gate
  gate.release();
  fourth.join();
  EXPECT_TRUE(began.load());
  vgrCancelFrame(h.vg);
  blocker->release();
  // Reading the framebuffer waits for the last frame drawn into it.
  std::vector<unsigned char> px(64 * 64 * 4);
  ASSERT_EQ(mvgrReadPixels(h.vg, h.fb->image, 0, 0, 64, 64, px.data()), 1);
  EXPECT_EQ(px[0], 191);
}

TEST(MetalThreads, ManyFramesWithTextAndReadBack) {
  Harness h(MVG_ANTIALIAS | MVG_TRIPLE_BUFFER | MVG_STENCIL_STROKES);
  const int font = vgrCreateFontFromFile(h.vg, "sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  ASSERT_GE(font, 0);
  h.fb = mvgrCreateFramebuffer(h.vg, 120, 40, 0);
  MVGframebuffer* other = mvgrCreateFramebuffer(h.vg, 120, 40, 0);
  std::vector<unsigned char> px(120 * 40 * 4);
  for (int i = 0; i < 60; i++) {
    mvgrBindFramebuffer(i % 2 ? other : h.fb);
    vgrBeginFrame(h.vg, 120, 40, 1);
    mvgrClearWithColor(h.vg, rgba(0, 0, 0, 1));
    vgrSetFontFaceId(h.vg, font);
    vgrSetFontSize(h.vg, 10.0f + float(i % 13));  // new glyphs keep updating the atlas
    vgrSetFillColor(h.vg, rgba(1, 1, 1, 1));
    char text[32];
    std::snprintf(text, sizeof(text), "frame %d", i);
    vgrDrawText(h.vg, 4, 30, text, nullptr);
    vgrBeginPath(h.vg);
    vgrCircle(h.vg, 100, 20, 10 + float(i % 5));
    vgrSetStrokeColor(h.vg, rgba(0, 1, 0, 0.5f));
    vgrStroke(h.vg);
    vgrEndFrame(h.vg);
    if (i % 7 == 0) {
      ASSERT_EQ(mvgrReadPixels(h.vg, (i % 2 ? other : h.fb)->image, 0, 0, 120, 40, px.data()), 1);
      int ink = 0;
      for (int y = 0; y < 40; y++)
        for (int x = 0; x < 80; x++) ink += px[(y * 120 + x) * 4] > 128;
      EXPECT_GT(ink, 20) << "frame " << i;
    }
  }
  mvgrBindFramebuffer(nullptr);
  mvgrDeleteFramebuffer(other);
}

}  // namespace
}  // namespace fx::gfx
