#include "plugin/PresetDocument.h"

#include "core/IEditorDelegate.h"
#include "core/IParam.h"
#include "plugin/NumberText.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <tinyxml.h>

namespace presetdoc {

namespace {

constexpr const char* kRoot = "PresetXMLTree";
constexpr const char* kVendor = "PluginVendor";
constexpr const char* kName = "PluginName";
constexpr const char* kVersion = "PluginVersion";
constexpr const char* kData = "Data";
constexpr const char* kPreset = "Preset";
constexpr const char* kParameter = "Parameter";
constexpr const char* kParam = "Param";

// Rough element depth of a text, counted without parsing: an opening tag raises it, a closing
// or empty-element tag lowers it. Only used to keep pathological nesting away from the
// recursive parser, so it errs on the deep side.
bool NestingWithinLimit(const char* text, size_t len)
{
  int depth = 0;
  for (size_t i = 0; i + 1 < len; ++i)
  {
    if (text[i] == '<')
    {
      const char next = text[i + 1];
      if (next == '/') --depth;
      else if (next != '?' && next != '!' && ++depth > kMaxNesting) return false;
    }
    else if (text[i] == '/' && text[i + 1] == '>')
    {
      --depth;
    }
  }
  return true;
}

// Counts every "<" the parser could take as the start of an element (a letter, "_" or any byte
// outside ASCII follows it), wherever it stands: inside comments, CDATA or declarations too. An
// upper bound of the elements, and so of the parser's nesting, that no quoting can hide.
bool ElementTagsWithinLimit(const char* text, size_t len)
{
  int count = 0;
  for (size_t i = 0; i + 1 < len; ++i)
  {
    if (text[i] != '<') continue;
    const unsigned char next = static_cast<unsigned char>(text[i + 1]);
    if ((std::isalpha(next) || next == '_' || next >= 127) && ++count > kMaxElements) return false;
  }
  return true;
}

int FindParam(const fx::IEditorDelegate& params, const char* name)
{
  for (int i = 0; i < params.NParams(); ++i)
  {
    if (std::strcmp(params.GetParam(i)->GetName(), name) == 0) return i;
  }
  return -1;
}

TiXmlElement* AddTextElement(TiXmlNode& parent, const char* name, const char* text)
{
  auto* element = new TiXmlElement(name);
  element->LinkEndChild(new TiXmlText(text ? text : ""));
  parent.LinkEndChild(element);
  return element;
}

} // namespace

const char* ResultName(EResult result)
{
  switch (result)
  {
    case EResult::kOK: return "ok";
    case EResult::kEmpty: return "empty";
    case EResult::kTooLarge: return "too large";
    case EResult::kMalformed: return "malformed";
    case EResult::kWrongRoot: return "wrong root";
    case EResult::kWrongVendor: return "wrong vendor";
    case EResult::kWrongPlugin: return "wrong plug-in";
    case EResult::kMissingVersion: return "missing version";
    case EResult::kMissingPreset: return "missing preset";
    case EResult::kNoParameters: return "no parameters";
    case EResult::kForeignElement: return "foreign element";
    case EResult::kBadValue: return "bad value";
  }
  return "?";
}

bool Print(const Identity& id, const char* presetName, const fx::IEditorDelegate& params, const double* values,
           const std::function<bool(int)>& include, const char* data, std::string& out)
{
  out.clear();
  TiXmlDocument doc;
  doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
  auto* root = new TiXmlElement(kRoot);
  root->SetAttribute("version", "1");
  doc.LinkEndChild(root);
  AddTextElement(*root, kVendor, id.vendor);
  AddTextElement(*root, kName, id.pluginName);
  AddTextElement(*root, kVersion, id.version);
  if (data) AddTextElement(*root, kData, data);

  auto* preset = new TiXmlElement(kPreset);
  preset->SetAttribute("name", presetName ? presetName : "");
  root->LinkEndChild(preset);
  auto* parameter = new TiXmlElement(kParameter);
  preset->LinkEndChild(parameter);
  for (int i = 0; i < params.NParams(); ++i)
  {
    if (include && !include(i)) continue;
    const fx::IParam* param = params.GetParam(i);
    auto* element = new TiXmlElement(kParam);
    element->SetAttribute("name", param->GetName());
    element->SetAttribute("val", orbex9::FormatValue(values ? values[i] : param->Value()));
    parameter->LinkEndChild(element);
  }

  TiXmlPrinter printer;
  printer.SetIndent("    ");
  printer.SetLineBreak("\n");
  if (!doc.Accept(&printer)) return false;
  out.assign(printer.CStr(), printer.Size());
  return !out.empty();
}

EResult Parse(const char* text, size_t len, const Identity& expect, const char* const* altNames,
              const fx::IEditorDelegate& params, Parsed& out)
{
  if (!text || len == 0) return EResult::kEmpty;
  // The text runs to its first NUL. A UTF-8 byte-order mark, which text editors may add when
  // a user saves a preset file again, is not part of the document.
  len = strnlen(text, len);
  if (len >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0)
  {
    text += 3;
    len -= 3;
  }
  if (len == 0) return EResult::kEmpty;
  if (len > kMaxDocumentSize || !NestingWithinLimit(text, len) || !ElementTagsWithinLimit(text, len))
    return EResult::kTooLarge;

  const std::string owned(text, len);
  TiXmlDocument doc;
  // Byte-wise parsing: names and numbers are ASCII, preset names pass through unchanged.
  doc.Parse(owned.c_str(), nullptr, TIXML_ENCODING_LEGACY);
  if (doc.Error()) return EResult::kMalformed;

  const TiXmlElement* root = doc.RootElement();
  if (!root || std::strcmp(root->Value(), kRoot) != 0) return EResult::kWrongRoot;

  const TiXmlElement* vendor = root->FirstChildElement(kVendor);
  if (!vendor || !vendor->GetText() || std::strcmp(vendor->GetText(), expect.vendor) != 0)
    return EResult::kWrongVendor;

  const TiXmlElement* name = root->FirstChildElement(kName);
  if (!name || !name->GetText()) return EResult::kWrongPlugin;
  bool nameOK = std::strcmp(name->GetText(), expect.pluginName) == 0;
  for (const char* const* alt = altNames; !nameOK && alt && *alt; ++alt)
    nameOK = std::strcmp(name->GetText(), *alt) == 0;
  if (!nameOK) return EResult::kWrongPlugin;

  if (!root->FirstChildElement(kVersion)) return EResult::kMissingVersion;

  Parsed parsed;
  if (const TiXmlElement* data = root->FirstChildElement(kData); data && data->GetText())
  {
    parsed.hasData = true;
    parsed.data = data->GetText();
  }

  const TiXmlElement* preset = root->FirstChildElement(kPreset);
  const TiXmlAttribute* presetAttr = preset ? preset->FirstAttribute() : nullptr;
  if (!presetAttr || std::strcmp(presetAttr->Name(), "name") != 0) return EResult::kMissingPreset;
  parsed.presetName = presetAttr->Value();

  const TiXmlElement* parameter = preset->FirstChildElement(kParameter);
  if (!parameter || !parameter->FirstChildElement()) return EResult::kNoParameters;

  for (const TiXmlElement* e = parameter->FirstChildElement(); e; e = e->NextSiblingElement())
  {
    if (std::strcmp(e->Value(), kParam) != 0) return EResult::kForeignElement;
    double value = 0.0;
    if (const char* val = e->Attribute("val"))
    {
      if (!orbex9::ParseDouble(val, value) || !std::isfinite(value)) return EResult::kBadValue;
    }
    const char* paramName = e->Attribute("name");
    if (!paramName || !*paramName) continue;
    const int idx = FindParam(params, paramName);
    if (idx < 0) continue;
    parsed.values.push_back({idx, value});
  }

  out = std::move(parsed);
  return EResult::kOK;
}

} // namespace presetdoc
