// Helpers acting on ranges or groups of parameters.

#include "core/IPluginBase.h"

#include "core/IParam.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fx {

namespace {

// Index + offset, or -1 when that names no int index (GetParam then gives null).
int OffsetIdx(int idx, int64_t offset)
{
  const int64_t r = static_cast<int64_t>(idx) + offset;
  return (r < 0 || r > INT_MAX) ? -1 : static_cast<int>(r);
}

// Clips the index range startIdx..endIdx to the nParams parameters that exist; false when none
// does. Ranges may run past either end of the list (INT_MAX as "to the end" included): only
// existing parameters are visited, and no loop counter overflows.
bool ClipParamRange(int startIdx, int endIdx, int nParams, int& first, int& last)
{
  first = std::max(startIdx, 0);
  last = std::min(endIdx, nParams - 1);
  return first <= last;
}

} // namespace

void IPluginBase::InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmtStr, double defaultVal,
                                 double minVal, double maxVal, double step, const char* label, int flags,
                                 const char* group, const IParamShape& shape, int unit)
{
  int first, last;
  if (!ClipParamRange(startIdx, endIdx, NParams(), first, last)) return;
  for (int i = first; i <= last; ++i)
  {
    IParam* param = GetParam(i);
    if (!param) continue;
    // The counter belongs to the index, also where the range starts before the first parameter.
    const int counter = static_cast<int>(static_cast<int64_t>(countStart) + i - startIdx);
    char name[IParam::kMaxTextLen + 1];
    std::snprintf(name, sizeof(name), nameFmtStr ? nameFmtStr : "", counter);
    param->InitDouble(name, defaultVal, minVal, maxVal, step, label, flags, group, shape,
                      static_cast<EParamUnitCode>(unit));
  }
}

void IPluginBase::CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr,
                                  const char* replaceStr, const char* newGroup)
{
  int first, last;
  if (!ClipParamRange(cloneStartIdx, cloneEndIdx, NParams(), first, last)) return;
  for (int i = first; i <= last; ++i)
  {
    const IParam* source = GetParam(i);
    IParam* target = GetParam(OffsetIdx(startIdx, static_cast<int64_t>(i) - cloneStartIdx));
    if (!source || !target || source == target) continue;
    target->InitFromCopy(*source, searchStr, replaceStr, newGroup);
  }
}

void IPluginBase::CopyParamValues(int startIdx, int destIdx, int nParams)
{
  // Only offsets at which both ends can name a parameter are visited.
  const int64_t lo = std::max<int64_t>({0, -static_cast<int64_t>(startIdx), -static_cast<int64_t>(destIdx)});
  const int64_t hi = std::min<int64_t>({static_cast<int64_t>(nParams), static_cast<int64_t>(NParams()) - startIdx,
                                        static_cast<int64_t>(NParams()) - destIdx});
  for (int64_t i = lo; i < hi; ++i)
  {
    const IParam* source = GetParam(OffsetIdx(startIdx, i));
    IParam* target = GetParam(OffsetIdx(destIdx, i));
    if (source && target) target->Set(source->Value());
  }
}

void IPluginBase::CopyParamValues(const char* inGroup, const char* outGroup)
{
  if (!inGroup || !outGroup) return;
  // The n-th parameter of the one group goes to the n-th of the other.
  int target = 0;
  for (int i = 0; i < NParams(); ++i)
  {
    const IParam* source = GetParam(i);
    if (!source || std::strcmp(source->GetGroup(), inGroup) != 0) continue;
    IParam* dest = nullptr;
    for (; target < NParams() && !dest; ++target)
    {
      IParam* candidate = GetParam(target);
      if (candidate && std::strcmp(candidate->GetGroup(), outGroup) == 0) dest = candidate;
    }
    if (!dest) return;
    dest->Set(source->Value());
  }
}

void IPluginBase::ForParamInRange(int startIdx, int endIdx, const std::function<void(int, IParam&)>& func)
{
  int first, last;
  if (!func || !ClipParamRange(startIdx, endIdx, NParams(), first, last)) return;
  for (int i = first; i <= last; ++i)
  {
    if (IParam* param = GetParam(i)) func(i, *param);
  }
}

void IPluginBase::ForParamInGroup(const char* paramGroup, const std::function<void(int, IParam&)>& func)
{
  if (!func || !paramGroup) return;
  for (int i = 0; i < NParams(); ++i)
  {
    IParam* param = GetParam(i);
    if (param && std::strcmp(param->GetGroup(), paramGroup) == 0) func(i, *param);
  }
}

void IPluginBase::DefaultParamValues()
{
  DefaultParamValues(0, NParams() - 1);
}

void IPluginBase::DefaultParamValues(int startIdx, int endIdx)
{
  ForParamInRange(startIdx, endIdx, [](int, IParam& param) { param.Set(param.GetDefault()); });
}

void IPluginBase::DefaultParamValues(const char* paramGroup)
{
  ForParamInGroup(paramGroup, [](int, IParam& param) { param.Set(param.GetDefault()); });
}

namespace {

void Randomise(IParam& param)
{
  param.SetNormalized(static_cast<double>(std::rand()) * 4.656613e-10);
}

} // namespace

void IPluginBase::RandomiseParamValues()
{
  RandomiseParamValues(0, NParams() - 1);
}

void IPluginBase::RandomiseParamValues(int startIdx, int endIdx)
{
  ForParamInRange(startIdx, endIdx, [](int, IParam& param) { Randomise(param); });
}

void IPluginBase::RandomiseParamValues(const char* paramGroup)
{
  ForParamInGroup(paramGroup, [](int, IParam& param) { Randomise(param); });
}

void IPluginBase::PrintParamValues()
{
  ForParamInRange(0, NParams() - 1, [](int, IParam&) {});
}

} // namespace fx
