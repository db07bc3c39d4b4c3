#include "plugin/IXMLParameters.h"

#include "core/IParam.h"

namespace {

constexpr XMLParamDescriptor kTable[] = {
  {"kGain", 3, XMLParamDescriptor::kKindReal, "%.2lf"},
  {"kAttack", 4, XMLParamDescriptor::kKindReal, "%.2lf"},
  {"kRelease", 5, XMLParamDescriptor::kKindReal, "%.2lf"},
  {"kAutoRelease", 6, XMLParamDescriptor::kKindInt, "%d"},
  {"kLookAhead", 7, XMLParamDescriptor::kKindInt, "%d"},
  {"kCeiling", 8, XMLParamDescriptor::kKindReal, "%.2lf"},
  {"kDrive", 9, XMLParamDescriptor::kKindReal, "%.2lf"},
  {"kChLink", 10, XMLParamDescriptor::kKindReal, "%.1lf"},
  {"kMeterMode", 11, XMLParamDescriptor::kKindInt, "%d"},
  {"kLimitMode", 12, XMLParamDescriptor::kKindInt, "%d"},
  {"kSatMode", 13, XMLParamDescriptor::kKindInt, "%d"},
  {"koutputmode", 14, XMLParamDescriptor::kKindInt, "%d"},
  {nullptr, XMLParamDescriptor::kEnd, 0, nullptr},
};

} // namespace

const XMLParamDescriptor* IXMLParameters::ParamTable()
{
  return kTable;
}

bool IXMLParameters::TableSelects(const XMLParamDescriptor* table, int paramIdx, const fx::IParam* param)
{
  if (!table) return false;
  if (table[0].paramIdx == XMLParamDescriptor::kBySelection) return param && param->GetSelected();
  for (const XMLParamDescriptor* row = table; row->paramIdx != XMLParamDescriptor::kEnd; ++row)
  {
    if (row->paramIdx == paramIdx) return true;
  }
  return false;
}
