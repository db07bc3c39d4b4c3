#include <map>
#include <mutex>
#include <string>

#include <Foundation/NSConstantString.h>

namespace {
// A string whose references are never counted.
class NSConstString final : public NSString {
  NS_CLASS(NSConstString, NSString)
 public:
  NSConstString* initShared(const std::string& text) {
    setText(text, true);
    makeShared();
    return this;
  }
};
}  // namespace

NS_IMPLEMENT_CLASS(NSConstString)

namespace nsx {

NSString* ConstantString(const char* text) {
  if (text == nullptr) return nullptr;
  static std::mutex mutex;
  static auto* table = new std::map<std::string, NSString*>();  // lives for the process
  std::lock_guard<std::mutex> lock(mutex);
  NSString*& s = (*table)[text];
  if (s == nullptr) {
    NSString* check = NSString::alloc()->initWithUTF8String(text);
    if (check == nullptr) return nullptr;
    check->release();
    s = NSConstString::alloc()->initShared(text);
  }
  return s;
}

}  // namespace nsx
