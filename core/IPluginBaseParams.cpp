// Helpers acting on ranges or groups of parameters.

#include "core/IPluginBase.h"

#include "core/IParam.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fx {

void IPluginBase::InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmtStr, double defaultVal,
                                 double minVal, double maxVal, double step, const char* label, int flags,
                                 const char* group, const IParamShape& shape, int unit)
{
  int counter = countStart;
  for (int i = startIdx; i <= endIdx; ++i, ++counter)
  {
    IParam* param = GetParam(i);
    if (!param) continue;
    char name[IParam::kMaxTextLen + 1];
    std::snprintf(name, sizeof(name), nameFmtStr ? nameFmtStr : "", counter);
    param->InitDouble(name, defaultVal, minVal, maxVal, step, label, flags, group, shape,
                      static_cast<EParamUnitCode>(unit));
  }
}

void IPluginBase::CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr,
                                  const char* replaceStr, const char* newGroup)
{
  for (int i = cloneStartIdx; i <= cloneEndIdx; ++i)
  {
    const IParam* source = GetParam(i);
    IParam* target = GetParam(startIdx + (i - cloneStartIdx));
    if (!source || !target || source == target) continue;
    target->InitFromCopy(*source, searchStr, replaceStr, newGroup);
  }
}

void IPluginBase::CopyParamValues(int startIdx, int destIdx, int nParams)
{
  for (int i = 0; i < nParams; ++i)
  {
    const IParam* source = GetParam(startIdx + i);
    IParam* target = GetParam(destIdx + i);
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
  if (!func) return;
  for (int i = startIdx; i <= endIdx; ++i)
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
