#include "plugin/IXMLParameters.h"

#include "core/IParam.h"
#include "plugin/dsp/LimiterParamTable.h"

#include <array>

namespace {

// The preset document's rows, in parameter order, from the parameter table.
constexpr auto kTable = [] {
  using namespace limiterparams;
  std::array<XMLParamDescriptor, CountXmlKeys() + 1> t {};
  size_t k = 0;
  for (const ParamSpec& p : kParams)
  {
    if (!p.xmlKey) continue;
    t[k++] = {p.xmlKey, p.index,
              p.kind == EKind::kDouble ? XMLParamDescriptor::kKindReal : XMLParamDescriptor::kKindInt, p.xmlFormat};
  }
  t[k] = {nullptr, XMLParamDescriptor::kEnd, 0, nullptr};
  return t;
}();

} // namespace

const XMLParamDescriptor* IXMLParameters::ParamTable()
{
  return kTable.data();
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
