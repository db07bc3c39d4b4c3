#include <sys/stat.h>

#include <clocale>
#include <cwctype>
#include <locale.h>

#include <Foundation/NSCharacterSet.h>
#include <Foundation/NSFileManager.h>
#include <Foundation/NSFormatter.h>
#include <Foundation/NSURL.h>

NS_IMPLEMENT_CLASS(NSURL)
NS_IMPLEMENT_CLASS(NSFileManager)
NS_IMPLEMENT_CLASS(NSCharacterSet)
NS_IMPLEMENT_CLASS(NSFormatter)

NSURL* NSURL::wrap(CFURLRef url) {
  if (url == nullptr) return nullptr;
  NSURL* u = alloc();
  u->url_ = url;
  return static_cast<NSURL*>(u->autorelease());
}

NSURL* NSURL::URLWithString(NSString* text) {
  return text != nullptr ? wrap(CFURLCreateWithString(nullptr, text->cfString(), nullptr)) : nullptr;
}
NSURL* NSURL::fileURLWithPath(NSString* path) {
  if (path == nullptr) return nullptr;
  BOOL dir = NO;
  NSFileManager::defaultManager()->fileExistsAtPath(path, &dir);
  return fileURLWithPath(path, dir);
}
NSURL* NSURL::fileURLWithPath(NSString* path, BOOL isDirectory) {
  if (path == nullptr || path->utf8().empty()) return nullptr;
  return wrap(CFURLCreateWithFileSystemPath(nullptr, path->cfString(), kCFURLPOSIXPathStyle, isDirectory));
}
NSURL* NSURL::URLWithCFURL(CFURLRef url) { return url != nullptr ? wrap(static_cast<CFURLRef>(CFRetain(url))) : nullptr; }

NSString* NSURL::absoluteString() const { return NSString::stringWithCFString(CFURLGetString(url_)); }
NSString* NSURL::path() const {
  CFStringRef p = CFURLCopyFileSystemPath(url_, kCFURLPOSIXPathStyle);
  if (p == nullptr) return nullptr;
  NSString* s = NSString::stringWithCFString(p);
  CFRelease(p);
  return s;
}
NSString* NSURL::scheme() const {
  CFStringRef s = CFURLCopyScheme(url_);
  if (s == nullptr) return nullptr;
  NSString* out = NSString::stringWithCFString(s);
  CFRelease(s);
  return out;
}
BOOL NSURL::isFileURL() const {
  NSString* s = scheme();
  return s != nullptr && s->utf8() == "file";
}
BOOL NSURL::isEqual(id other) {
  return other == this ||
         (other != nullptr && other->isKindOfClass(class_()) && CFEqual(url_, static_cast<NSURL*>(other)->url_));
}
void NSURL::dealloc() {
  if (url_ != nullptr) CFRelease(url_);
  NSObject::dealloc();
}

NSFileManager* NSFileManager::defaultManager() {
  static NSFileManager* manager = allocShared<NSFileManager>();
  return manager;
}

BOOL NSFileManager::fileExistsAtPath(NSString* path) { return fileExistsAtPath(path, nullptr); }

BOOL NSFileManager::fileExistsAtPath(NSString* path, BOOL* isDirectory) {
  struct stat st {};
  const bool exists = path != nullptr && !path->utf8().empty() && ::stat(path->UTF8String(), &st) == 0;
  if (isDirectory != nullptr) *isDirectory = exists && S_ISDIR(st.st_mode);
  return exists;
}

NSCharacterSet* NSCharacterSet::characterSetWithCharactersInString(NSString* characters) {
  NSCharacterSet* set = alloc();
  if (characters != nullptr)
    for (NSUInteger i = 0; i < characters->length(); ++i) set->members_.insert(characters->characterAtIndex(i));
  return static_cast<NSCharacterSet*>(set->autorelease());
}

NSCharacterSet* NSCharacterSet::alphanumericCharacterSet() {
  static NSCharacterSet* set = [] {
    NSCharacterSet* s = allocShared<NSCharacterSet>();
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    s->test_ = [](unichar c) {
      if (c < 0x80) return std::isalnum(c) != 0;
      return utf8 != static_cast<locale_t>(nullptr) && iswalnum_l(static_cast<wint_t>(c), utf8) != 0;
    };
    return s;
  }();
  return set;
}

NSCharacterSet* NSCharacterSet::decimalDigitCharacterSet() {
  static NSCharacterSet* set = [] {
    NSCharacterSet* s = allocShared<NSCharacterSet>();
    s->test_ = [](unichar c) { return c >= '0' && c <= '9'; };
    return s;
  }();
  return set;
}

BOOL NSCharacterSet::characterIsMember(unichar c) const { return test_ ? test_(c) : members_.count(c) != 0; }

NSString* NSFormatter::stringForObjectValue(id object) {
  return object != nullptr && object->isKindOfClass(NSString::class_()) ? static_cast<NSString*>(object) : nullptr;
}

BOOL NSFormatter::getObjectValue(id* object, NSString* string, NSString**) {
  if (object != nullptr) *object = string;
  return YES;
}

BOOL NSFormatter::isPartialStringValid(NSString*, NSString** newString, NSString**) {
  if (newString != nullptr) *newString = nullptr;
  return YES;
}
