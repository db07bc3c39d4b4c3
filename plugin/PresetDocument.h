#pragma once
// The XML preset document: printing it from parameter values and parsing and checking it as a
// whole before anything is applied. Used for the state container, preset files, factory
// presets and imported presets. Any thread, one call at a time per document; allocates.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace fx {
class IEditorDelegate;
}

namespace presetdoc {

/** Documents longer than this are refused unread (a real one is a few kilobytes). */
inline constexpr size_t kMaxDocumentSize = 1 << 20;
/** Element nesting deeper than this is refused before the parser sees the text. */
inline constexpr int kMaxNesting = 32;
/** Documents with more element tags than this are refused before the parser sees the text (a
 *  real one has a few dozen). This also bounds the parser's recursion, whatever text or
 *  attribute values hide the nesting from a plain tag count. */
inline constexpr int kMaxElements = 256;

/** Who a document belongs to. */
struct Identity
{
  const char* vendor = "";
  const char* pluginName = "";
  const char* version = ""; // "v2.1.17"
};

struct Value
{
  int paramIdx;
  double value;
};

struct Parsed
{
  std::string presetName;
  bool hasData = false;
  std::string data;
  /** Param elements that name a known parameter, in document order. */
  std::vector<Value> values;
};

enum class EResult
{
  kOK = 0,
  kEmpty,          // no text
  kTooLarge,       // longer than kMaxDocumentSize, nested deeper than kMaxNesting or with more
                   // than kMaxElements element tags
  kMalformed,      // not well-formed XML
  kWrongRoot,      // root is not PresetXMLTree
  kWrongVendor,    // PluginVendor missing or not the maker's
  kWrongPlugin,    // PluginName missing or not this plug-in
  kMissingVersion, // PluginVersion missing
  kMissingPreset,  // Preset missing or its first attribute is not "name"
  kNoParameters,   // Parameter missing or without child elements
  kForeignElement, // a child of Parameter that is not Param
  kBadValue,       // a "val" that is not a finite number
};

const char* ResultName(EResult result);

/** Prints the document: PluginVendor, PluginName, PluginVersion, Data (only when data is not
 *  null), Preset with the name and one Param per included parameter in index order. values
 *  holds one double per parameter; null takes the parameters' current values. A null include
 *  takes every parameter. False (out empty) when nothing could be printed. */
bool Print(const Identity& id, const char* presetName, const fx::IEditorDelegate& params, const double* values,
           const std::function<bool(int)>& include, const char* data, std::string& out);

/** Parses len bytes of text and checks every part of the document: root, vendor, plug-in name
 *  (the identity's or, when altNames is not null, one of its null-terminated entries), version
 *  present, Preset with its name, Parameter with only Param children and well-formed values.
 *  Param elements with a missing or empty name or a name no parameter has are left out; a
 *  missing "val" reads as 0.0. out is filled only on kOK. */
EResult Parse(const char* text, size_t len, const Identity& expect, const char* const* altNames,
              const fx::IEditorDelegate& params, Parsed& out);

} // namespace presetdoc
