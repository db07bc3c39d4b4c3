// Event listeners and notification. Listeners are shared objects so an
// event being delivered keeps its listener alive while another thread
// disposes of it.
#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <AudioToolbox/AUEventLog.h>
#include <AudioToolbox/AudioUnitUtilities.h>

static_assert(sizeof(AudioUnitEvent) == 32);

namespace {

constexpr size_t kLogCapacity = 4096;  // the log keeps the most recent events
constexpr AudioUnitParameterID kAnyParameter = 0xFFFFFFFFu;

// An event for an object: what a listener subscribed to, and what it is sent.
struct Subscription {
  void* object;
  AudioUnitEvent event;
};
using Delivery = Subscription;

}  // namespace

struct OpaqueAUListener {
  AUEventListenerProc proc = nullptr;
  void* refCon = nullptr;
  CFRunLoopRef runLoop = nullptr;
  CFStringRef mode = nullptr;  // owned
  // Guarded by g_mutex.
  std::vector<Subscription> subscriptions;
  std::vector<Delivery> pending;
  bool deliveryScheduled = false;
  bool disposed = false;

  ~OpaqueAUListener() { CFRelease(mode); }
};

namespace {

std::mutex g_mutex;
std::vector<std::shared_ptr<OpaqueAUListener>>& Listeners() {
  static auto* listeners = new std::vector<std::shared_ptr<OpaqueAUListener>>();
  return *listeners;
}
std::deque<AudioUnitEvent>& Log() {
  static auto* log = new std::deque<AudioUnitEvent>();
  return *log;
}

bool IsParameterEvent(AudioUnitEventType t) {
  return t == kAudioUnitEvent_ParameterValueChange || t == kAudioUnitEvent_BeginParameterChangeGesture ||
         t == kAudioUnitEvent_EndParameterChangeGesture;
}

bool SameEvent(const AudioUnitEvent& subscribed, const AudioUnitEvent& e, bool exact) {
  if (subscribed.mEventType != e.mEventType) return false;
  if (IsParameterEvent(e.mEventType)) {
    const AudioUnitParameter& a = subscribed.mArgument.mParameter;
    const AudioUnitParameter& b = e.mArgument.mParameter;
    return a.mAudioUnit == b.mAudioUnit && a.mScope == b.mScope && a.mElement == b.mElement &&
           (a.mParameterID == b.mParameterID || (!exact && a.mParameterID == kAnyParameter));
  }
  if (e.mEventType != kAudioUnitEvent_PropertyChange) return false;
  const AudioUnitProperty& a = subscribed.mArgument.mProperty;
  const AudioUnitProperty& b = e.mArgument.mProperty;
  return a.mAudioUnit == b.mAudioUnit && a.mPropertyID == b.mPropertyID && a.mScope == b.mScope &&
         a.mElement == b.mElement;
}

std::shared_ptr<OpaqueAUListener> Find(AUEventListenerRef ref) {
  for (const auto& l : Listeners())
    if (l.get() == ref) return l;
  return nullptr;
}

// Calls the listener unless it was disposed of meanwhile (an earlier
// callback of the same notification may have disposed of it).
void Deliver(OpaqueAUListener& listener, const Delivery& d) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (listener.disposed) return;
  }
  AudioUnitParameterValue value = 0;
  if (d.event.mEventType == kAudioUnitEvent_ParameterValueChange) {
    const AudioUnitParameter& p = d.event.mArgument.mParameter;
    if (AudioUnitGetParameter(p.mAudioUnit, p.mParameterID, p.mScope, p.mElement, &value) != noErr) value = 0;
  }
  listener.proc(listener.refCon, d.object, &d.event, 0, value);
}

// Run-loop delivery: a one-shot timer drains the listener's queue.
void DeliverPending(CFRunLoopTimerRef, void* info) {
  std::shared_ptr<OpaqueAUListener> listener = static_cast<std::weak_ptr<OpaqueAUListener>*>(info)->lock();
  if (!listener) return;
  std::vector<Delivery> batch;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    listener->deliveryScheduled = false;
    if (listener->disposed) return;
    batch.swap(listener->pending);
  }
  for (const Delivery& d : batch) Deliver(*listener, d);
}

void ReleaseWeak(const void* info) { delete static_cast<const std::weak_ptr<OpaqueAUListener>*>(info); }

void ScheduleDelivery(const std::shared_ptr<OpaqueAUListener>& listener) {
  CFRunLoopTimerContext context = {0, new std::weak_ptr<OpaqueAUListener>(listener), nullptr, ReleaseWeak, nullptr};
  CFRunLoopTimerRef timer =
      CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent(), 0, 0, 0, DeliverPending, &context);
  CFRunLoopAddTimer(listener->runLoop, timer, listener->mode != nullptr ? listener->mode : kCFRunLoopCommonModes);
  CFRelease(timer);
}

}  // namespace

namespace atx {

std::vector<AudioUnitEvent> NotifiedEvents() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return std::vector<AudioUnitEvent>(Log().begin(), Log().end());
}

void ClearNotifiedEvents() {
  std::lock_guard<std::mutex> lock(g_mutex);
  Log().clear();
}

}  // namespace atx

extern "C" {

OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef inRunLoop,
                               CFStringRef inRunLoopMode, Float32, Float32, AUEventListenerRef* outListener) {
  if (outListener == nullptr) return kAudio_ParamError;
  *outListener = nullptr;
  if (inProc == nullptr) return kAudio_ParamError;
  auto listener = std::make_shared<OpaqueAUListener>();
  listener->proc = inProc;
  listener->refCon = inCallbackRefCon;
  listener->runLoop = inRunLoop;
  listener->mode = inRunLoopMode != nullptr ? CFStringCreateCopy(nullptr, inRunLoopMode) : nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  Listeners().push_back(listener);
  *outListener = listener.get();
  return noErr;
}

OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent* inEvent) {
  if (inEvent == nullptr) return kAudio_ParamError;
  std::lock_guard<std::mutex> lock(g_mutex);
  auto listener = Find(inListener);
  if (!listener) return kAudio_ParamError;
  listener->subscriptions.push_back(Subscription{inObject, *inEvent});
  return noErr;
}

OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent* inEvent) {
  if (inEvent == nullptr) return kAudio_ParamError;
  std::lock_guard<std::mutex> lock(g_mutex);
  auto listener = Find(inListener);
  if (!listener) return kAudio_ParamError;
  auto& subs = listener->subscriptions;
  subs.erase(std::remove_if(subs.begin(), subs.end(),
                            [&](const Subscription& s) { return s.object == inObject && SameEvent(s.event, *inEvent, true); }),
             subs.end());
  return noErr;
}

OSStatus AUListenerDispose(AUEventListenerRef inListener) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto& all = Listeners();
  auto it = std::find_if(all.begin(), all.end(), [&](const auto& l) { return l.get() == inListener; });
  if (it == all.end()) return kAudio_ParamError;
  (*it)->disposed = true;
  (*it)->pending.clear();
  all.erase(it);
  return noErr;
}

OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void*, const AudioUnitEvent* inEvent) {
  if (inEvent == nullptr) return kAudio_ParamError;
  std::vector<std::pair<std::shared_ptr<OpaqueAUListener>, Delivery>> now;
  std::vector<std::shared_ptr<OpaqueAUListener>> toSchedule;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    Log().push_back(*inEvent);
    if (Log().size() > kLogCapacity) Log().pop_front();
    for (const auto& listener : Listeners()) {
      if (listener.get() == inSendingListener) continue;
      for (const Subscription& s : listener->subscriptions) {
        if (!SameEvent(s.event, *inEvent, false)) continue;
        const Delivery d{s.object, *inEvent};
        if (listener->runLoop == nullptr) {
          now.emplace_back(listener, d);
        } else {
          listener->pending.push_back(d);
          if (!listener->deliveryScheduled) {
            listener->deliveryScheduled = true;
            toSchedule.push_back(listener);
          }
        }
      }
    }
  }
  for (const auto& listener : toSchedule) ScheduleDelivery(listener);
  for (const auto& [listener, d] : now) Deliver(*listener, d);
  return noErr;
}

OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener, void* inSendingObject,
                                   const AudioUnitParameter* inParameter) {
  if (inParameter == nullptr) return kAudio_ParamError;
  AudioUnitEvent event{};
  event.mEventType = kAudioUnitEvent_ParameterValueChange;
  event.mArgument.mParameter = *inParameter;
  return AUEventListenerNotify(inSendingListener, inSendingObject, &event);
}

}  // extern "C"
