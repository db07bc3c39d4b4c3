// Command buffers and the queue's execution thread.
#include <Metal/MTLDevice.h>

#include <deque>
#include <new>
#include <thread>

#include "Recorded.h"

// Command buffers --------------------------------------------------------------------------

MTLCommandBuffer::MTLCommandBuffer(MTLCommandQueue* queue) : queue_(MTLRetain(queue)) {}

MTLCommandBuffer::~MTLCommandBuffer() {
  for (MTLObject* o : retained_) o->release();
  for (MTLDrawable* d : drawables_) d->release();
  MTLRelease(queue_);
}

MTLDevice* MTLCommandBuffer::device() const { return queue_->device(); }

bool MTLCommandBuffer::encoderOpen() const {
  return !encoders_.empty() && !encoders_.back()->isEnded();
}

MTLRenderCommandEncoder* MTLCommandBuffer::renderCommandEncoderWithDescriptor(const MTLRenderPassDescriptor& d) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (status_ >= MTLCommandBufferStatusCommitted || encoderOpen()) return nullptr;
  auto pass = std::make_unique<MTLRecordedPass>();
  pass->render = true;
  pass->descriptor = d;
  // Attachments live until the buffer completes.
  if (d.colorAttachments[0].texture) retained_.push_back(d.colorAttachments[0].texture->retain());
  if (d.stencilAttachment.texture) retained_.push_back(d.stencilAttachment.texture->retain());
  std::unique_ptr<MTLRenderCommandEncoder> enc(new MTLRenderCommandEncoder(this, pass.get()));
  MTLRenderCommandEncoder* out = enc.get();
  passes_.push_back(std::move(pass));
  encoders_.push_back(std::move(enc));
  return out;
}

MTLBlitCommandEncoder* MTLCommandBuffer::blitCommandEncoder() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (status_ >= MTLCommandBufferStatusCommitted || encoderOpen()) return nullptr;
  auto pass = std::make_unique<MTLRecordedPass>();
  std::unique_ptr<MTLBlitCommandEncoder> enc(new MTLBlitCommandEncoder(this, pass.get()));
  MTLBlitCommandEncoder* out = enc.get();
  passes_.push_back(std::move(pass));
  encoders_.push_back(std::move(enc));
  return out;
}

std::vector<MTLDrawSummary> MTLCommandBuffer::drawSummaries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<MTLDrawSummary> out;
  for (const auto& pass : passes_)
    for (const MTLRecordedDraw& d : pass->draws)
      out.push_back(MTLDrawSummary{d.type, d.start, d.count, d.indexed, d.state.pipeline, d.state.depthStencil,
                                   d.state.cull, d.state.fragmentOffsets[0]});
  return out;
}

void MTLCommandBuffer::keepAlive(MTLObject* object) {
  if (object) retained_.push_back(object->retain());
}

void MTLCommandBuffer::addCompletedHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (status_ < MTLCommandBufferStatusCommitted && handler) completed_.push_back(std::move(handler));
}

void MTLCommandBuffer::addScheduledHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (status_ < MTLCommandBufferStatusCommitted && handler) scheduled_.push_back(std::move(handler));
}

void MTLCommandBuffer::presentDrawable(MTLDrawable* drawable) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (status_ < MTLCommandBufferStatusCommitted && drawable) drawables_.push_back(static_cast<MTLDrawable*>(drawable->retain()));
}

void MTLCommandBuffer::enqueue() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (status_ < MTLCommandBufferStatusEnqueued) status_ = MTLCommandBufferStatusEnqueued;
}

void MTLCommandBuffer::commit() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (status_ >= MTLCommandBufferStatusCommitted) return;
    status_ = MTLCommandBufferStatusCommitted;
  }
  queue_->submit(this);
}

MTLCommandBufferStatus MTLCommandBuffer::status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

void MTLCommandBuffer::setStatus(MTLCommandBufferStatus status) {
  std::lock_guard<std::mutex> lock(mutex_);
  status_ = status;
  cv_.notify_all();
}

void MTLCommandBuffer::waitUntilScheduled() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (status_ < MTLCommandBufferStatusCommitted) return;
  cv_.wait(lock, [this] { return status_ >= MTLCommandBufferStatusScheduled; });
}

void MTLCommandBuffer::waitUntilCompleted() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (status_ < MTLCommandBufferStatusCommitted) return;
  // Returns once the completed handlers have run too.
  cv_.wait(lock, [this] { return finished_; });
}

// Runs on the queue's execution thread.
void MTLCommandBuffer::execute() {
  std::vector<Handler> scheduled;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    scheduled.swap(scheduled_);
  }
  for (Handler& h : scheduled) h(this);
  setStatus(MTLCommandBufferStatusScheduled);
  {
    std::lock_guard<std::mutex> lock(device()->executionLock());
    for (const auto& pass : passes_) {
      if (pass->render)
        mtlsw::executeRenderPass(*pass);
      else
        mtlsw::executeBlitPass(*pass);
    }
  }
  for (MTLDrawable* d : drawables_) d->present();
  std::vector<Handler> completed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    completed.swap(completed_);
    status_ = MTLCommandBufferStatusCompleted;
  }
  for (Handler& h : completed) h(this);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  cv_.notify_all();
}

// Queue ------------------------------------------------------------------------------------

struct MTLCommandQueue::Worker {
  std::mutex mutex;
  std::condition_variable cv;
  std::deque<MTLCommandBuffer*> pending;
  bool stop = false;
  std::thread thread;

  // The execution loop. It touches only this record (shared with the thread), never the
  // queue: releasing the last command buffer may destroy the queue on this very thread.
  static void run(std::shared_ptr<Worker> w) {
    for (;;) {
      MTLCommandBuffer* cb;
      {
        std::unique_lock<std::mutex> lock(w->mutex);
        w->cv.wait(lock, [&w] { return w->stop || !w->pending.empty(); });
        if (w->pending.empty()) return;
        cb = w->pending.front();
        w->pending.pop_front();
      }
      MTLCommandQueue::executeBuffer(cb);
      cb->release();
    }
  }
};

MTLCommandQueue::MTLCommandQueue(MTLDevice* device) : device_(MTLRetain(device)), worker_(std::make_shared<Worker>()) {}

MTLCommandQueue::~MTLCommandQueue() {
  // Command buffers hold their queue, so nothing is pending here.
  std::thread t;
  {
    std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->stop = true;
    t.swap(worker_->thread);
  }
  worker_->cv.notify_all();
  if (t.joinable()) {
    if (t.get_id() == std::this_thread::get_id())
      t.detach();
    else
      t.join();
  }
  MTLRelease(device_);
}

MTLCommandQueue* MTLDevice::newCommandQueue() { return new (std::nothrow) MTLCommandQueue(this); }

MTLCommandBuffer* MTLCommandQueue::commandBuffer() { return new (std::nothrow) MTLCommandBuffer(this); }

void MTLCommandQueue::executeBuffer(MTLCommandBuffer* cb) { cb->execute(); }

void MTLCommandQueue::submit(MTLCommandBuffer* cb) {
  cb->retain();
  std::lock_guard<std::mutex> lock(worker_->mutex);
  if (!worker_->thread.joinable()) worker_->thread = std::thread(&Worker::run, worker_);
  worker_->pending.push_back(cb);
  worker_->cv.notify_one();
}
