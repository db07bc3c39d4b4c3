#include <CoreFoundation/CFError.h>
#include <CoreFoundation/CFString.h>

#include "CFErrorImpl.h"
#include "CFStringImpl.h"

OpaqueCFError::OpaqueCFError(CFStringRef domainName, CFIndex errorCode, std::string text)
    : cfx::Object(kType, false), domain(static_cast<CFStringRef>(CFRetain(domainName))), code(errorCode),
      description(std::move(text)) {}

OpaqueCFError::~OpaqueCFError() { CFRelease(domain); }

std::string OpaqueCFError::Describe() const {
  return description.empty() ? cfx::StringText(domain) + " error " + std::to_string(code) : description;
}

namespace cfx {

CFErrorRef NewError(CFStringRef domain, CFIndex code, const std::string& description) {
  return new OpaqueCFError(domain, code, description);
}

}  // namespace cfx

extern "C" {

const CFStringRef kCFErrorDomainCocoa = CFSTR("NSCocoaErrorDomain");
const CFStringRef kCFErrorDomainPOSIX = CFSTR("NSPOSIXErrorDomain");
const CFStringRef kCFErrorDomainOSStatus = CFSTR("NSOSStatusErrorDomain");

CFTypeID CFErrorGetTypeID(void) { return cfx::kTypeError; }

CFErrorRef CFErrorCreate(CFAllocatorRef, CFStringRef domain, CFIndex code, CFTypeRef) {
  if (cfx::As<OpaqueCFString>(domain) == nullptr) return nullptr;
  return new OpaqueCFError(domain, code, std::string());
}

CFStringRef CFErrorGetDomain(CFErrorRef err) {
  const OpaqueCFError* e = cfx::As<OpaqueCFError>(err);
  return e != nullptr ? e->domain : nullptr;
}

CFIndex CFErrorGetCode(CFErrorRef err) {
  const OpaqueCFError* e = cfx::As<OpaqueCFError>(err);
  return e != nullptr ? e->code : 0;
}

CFStringRef CFErrorCopyDescription(CFErrorRef err) {
  const OpaqueCFError* e = cfx::As<OpaqueCFError>(err);
  if (e == nullptr) return nullptr;
  return cfx::NewString(e->Describe());
}

}  // extern "C"
