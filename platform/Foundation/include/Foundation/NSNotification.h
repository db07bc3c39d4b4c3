// Notifications and the notification center. Observers are not retained
// while registered: an observer removes itself before it is freed. A
// notification is delivered to each observer registered for its name (nil:
// any name) and object (nil: any object) when it is posted, on the posting
// thread, which retains the observer for the call; an observer removed
// while a notification is being delivered is not called after that.
// Any thread.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include <Foundation/NSString.h>

typedef NSString* NSNotificationName;

class NSNotification : public NSObject {
  NS_CLASS(NSNotification, NSObject)
 public:
  static NSNotification* notificationWithName(NSNotificationName name, id object, id userInfo = nil);
  NSNotificationName name() const { return name_; }
  id object() const { return object_; }
  id userInfo() const { return userInfo_; }
  void dealloc() override;

 protected:
  NSNotification() = default;

 private:
  NSString* name_ = nullptr;
  id object_ = nil;  // retained
  id userInfo_ = nil;  // retained
};

class NSNotificationCenter : public NSObject {
  NS_CLASS(NSNotificationCenter, NSObject)
 public:
  static NSNotificationCenter* defaultCenter();
  void addObserver(id observer, SEL selector, NSNotificationName name, id object);
  void removeObserver(id observer);
  void removeObserver(id observer, NSNotificationName name, id object);
  void postNotification(NSNotification* notification);
  void postNotificationName(NSNotificationName name, id object, id userInfo = nil);

 protected:
  NSNotificationCenter() = default;

 private:
  struct Entry {
    id observer;
    SEL selector;
    std::string name;  // empty: any
    id object;         // not retained; nil: any
    bool removed = false;
  };
  std::mutex mutex_;
  std::vector<std::shared_ptr<Entry>> entries_;
};
