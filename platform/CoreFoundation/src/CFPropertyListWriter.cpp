// Writes property lists in the XML format.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <CoreFoundation/CFPropertyList.h>

#include "CFBase64.h"
#include "CFContainers.h"
#include "CFErrorImpl.h"
#include "CFScalars.h"
#include "CFStringImpl.h"

namespace {

constexpr int kMaxDepth = 256;  // also stops self-containing containers

class XmlWriter {
 public:
  bool Write(CFTypeRef object, int depth) {
    if (depth > kMaxDepth) return Fail("property list nested too deeply (or contains itself)");
    const CFTypeID type = CFGetTypeID(object);
    if (type == cfx::kTypeString) {
      Line(depth, "<string>" + Escape(cfx::StringText(static_cast<CFStringRef>(object))) + "</string>");
    } else if (type == cfx::kTypeNumber) {
      WriteNumber(*cfx::As<OpaqueCFNumber>(object), depth);
    } else if (type == cfx::kTypeBoolean) {
      Line(depth, cfx::As<OpaqueCFBoolean>(object)->value ? "<true/>" : "<false/>");
    } else if (type == cfx::kTypeData) {
      WriteData(cfx::As<OpaqueCFData>(object)->bytes, depth);
    } else if (type == cfx::kTypeDate) {
      std::string date;
      if (!cfx::As<OpaqueCFDate>(object)->UtcText(date))
        return Fail("date outside the years 1 to 9999 (or not a number)");
      Line(depth, "<date>" + date + "</date>");
    } else if (type == cfx::kTypeArray) {
      const auto* a = cfx::As<OpaqueCFArray>(object);
      if (a->values.empty()) {
        Line(depth, "<array/>");
      } else {
        Line(depth, "<array>");
        for (const void* v : a->values)
          if (!Write(v, depth + 1)) return false;
        Line(depth, "</array>");
      }
    } else if (type == cfx::kTypeDictionary) {
      return WriteDictionary(*cfx::As<OpaqueCFDictionary>(object), depth);
    } else {
      return Fail(object == nullptr ? "property list contains a null value"
                                    : "property list contains an object that is not a property-list type");
    }
    return true;
  }

  std::string text;
  std::string error;

 private:
  bool Fail(const std::string& message) {
    error = message;
    return false;
  }

  void Line(int depth, const std::string& content) {
    text.append(static_cast<size_t>(depth), '\t');
    text += content;
    text += '\n';
  }

  static std::string Escape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default:
          if (c < 0x20 && c != '\t' && c != '\n') {
            out += "&#" + std::to_string(c) + ";";  // keeps CR and control bytes through a round trip
          } else {
            out += static_cast<char>(c);
          }
      }
    }
    return out;
  }

  void WriteNumber(const OpaqueCFNumber& n, int depth) {
    char value[64];
    if (!n.isFloat) {
      std::snprintf(value, sizeof value, "%lld", static_cast<long long>(n.integer));
      Line(depth, std::string("<integer>") + value + "</integer>");
      return;
    }
    if (std::isnan(n.real)) std::snprintf(value, sizeof value, "nan");
    else if (std::isinf(n.real)) std::snprintf(value, sizeof value, n.real > 0 ? "+infinity" : "-infinity");
    else std::snprintf(value, sizeof value, "%s", n.Describe().c_str());  // shortest exact text
    Line(depth, std::string("<real>") + value + "</real>");
  }

  void WriteData(const std::vector<UInt8>& bytes, int depth) {
    Line(depth, "<data>");
    const std::string encoded = cfx::Base64Encode(bytes);
    for (size_t i = 0; i < encoded.size(); i += 68) Line(depth, encoded.substr(i, 68));
    Line(depth, "</data>");
  }

  bool WriteDictionary(const OpaqueCFDictionary& d, int depth) {
    if (d.entries.empty()) {
      Line(depth, "<dict/>");
      return true;
    }
    std::vector<const OpaqueCFDictionary::Entry*> sorted;
    for (const auto& e : d.entries) {
      if (cfx::As<OpaqueCFString>(e.key) == nullptr) return Fail("dictionary key is not a string");
      sorted.push_back(&e);
    }
    std::sort(sorted.begin(), sorted.end(), [](const auto* a, const auto* b) {
      return cfx::StringText(static_cast<CFStringRef>(a->key)) < cfx::StringText(static_cast<CFStringRef>(b->key));
    });
    Line(depth, "<dict>");
    for (const auto* e : sorted) {
      Line(depth + 1, "<key>" + Escape(cfx::StringText(static_cast<CFStringRef>(e->key))) + "</key>");
      if (!Write(e->value, depth + 1)) return false;
    }
    Line(depth, "</dict>");
    return true;
  }
};

}  // namespace

extern "C" {

CFDataRef CFPropertyListCreateData(CFAllocatorRef, CFPropertyListRef propertyList, CFPropertyListFormat format,
                                   CFOptionFlags, CFErrorRef* error) {
  if (error != nullptr) *error = nullptr;
  XmlWriter writer;
  bool ok = false;
  if (format != kCFPropertyListXMLFormat_v1_0) {
    writer.error = "only the XML property-list format can be written";
  } else {
    writer.text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n";
    ok = writer.Write(propertyList, 0);
    writer.text += "</plist>\n";
  }
  if (!ok) {
    if (error != nullptr) *error = cfx::NewError(kCFErrorDomainCocoa, kCFPropertyListWriteInvalidError, writer.error);
    return nullptr;
  }
  return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(writer.text.data()),
                      static_cast<CFIndex>(writer.text.size()));
}

CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef alloc, CFPropertyListRef propertyList) {
  return CFPropertyListCreateData(alloc, propertyList, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
}

Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format) {
  if (format != kCFPropertyListXMLFormat_v1_0 && format != kCFPropertyListBinaryFormat_v1_0) return false;
  CFDataRef data = CFPropertyListCreateData(nullptr, plist, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
  const bool valid = data != nullptr;
  CFRelease(data);
  return valid;
}

}  // extern "C"
