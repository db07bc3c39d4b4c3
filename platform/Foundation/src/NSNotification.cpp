#include <Foundation/NSNotification.h>

NS_IMPLEMENT_CLASS(NSNotification)
NS_IMPLEMENT_CLASS(NSNotificationCenter)

NSNotification* NSNotification::notificationWithName(NSNotificationName name, id object, id userInfo) {
  NSNotification* n = alloc();
  n->name_ = name != nullptr ? static_cast<NSString*>(name->retain()) : nullptr;
  n->object_ = object != nullptr ? object->retain() : nil;
  n->userInfo_ = userInfo != nullptr ? userInfo->retain() : nil;
  return static_cast<NSNotification*>(n->autorelease());
}

void NSNotification::dealloc() {
  if (name_ != nullptr) name_->release();
  if (object_ != nullptr) object_->release();
  if (userInfo_ != nullptr) userInfo_->release();
  NSObject::dealloc();
}

NSNotificationCenter* NSNotificationCenter::defaultCenter() {
  static NSNotificationCenter* center = allocShared<NSNotificationCenter>();
  return center;
}

void NSNotificationCenter::addObserver(id observer, SEL selector, NSNotificationName name, id object) {
  if (observer == nullptr || selector == nullptr) return;
  auto e = std::make_shared<Entry>(Entry{observer, selector, name != nullptr ? name->utf8() : std::string(), object});
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back(std::move(e));
}

void NSNotificationCenter::removeObserver(id observer) { removeObserver(observer, nullptr, nil); }

void NSNotificationCenter::removeObserver(id observer, NSNotificationName name, id object) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = entries_.begin(); it != entries_.end();) {
    Entry& e = **it;
    const bool match = e.observer == observer && (name == nullptr || e.name == name->utf8()) &&
                       (object == nullptr || e.object == object);
    if (match) {
      e.removed = true;
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
}

void NSNotificationCenter::postNotification(NSNotification* notification) {
  if (notification == nullptr) return;
  const std::string name = notification->name() != nullptr ? notification->name()->utf8() : std::string();
  // Each observer is retained while it is called, so one removed and
  // released on another thread meanwhile stays alive until the call ends.
  std::vector<std::shared_ptr<Entry>> targets;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& e : entries_)
      if ((e->name.empty() || e->name == name) && (e->object == nullptr || e->object == notification->object())) {
        e->observer->retain();
        targets.push_back(e);
      }
  }
  notification->retain();
  for (const auto& e : targets) {
    bool removed;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      removed = e->removed;
    }
    if (!removed) e->observer->performSelector(e->selector, notification);
    e->observer->release();
  }
  notification->release();
}

void NSNotificationCenter::postNotificationName(NSNotificationName name, id object, id userInfo) {
  postNotification(NSNotification::notificationWithName(name, object, userInfo));
}
