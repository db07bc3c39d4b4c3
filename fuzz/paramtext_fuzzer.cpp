// Parameter values typed as text: the first byte picks the parameter, the rest is the text
// a host or the editor's text field hands over. Numbers as preset documents hold them are
// read from the same text.
#include "fuzz/FuzzProduct.h"
#include "plugin/NumberText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 1 || size > 4096) return 0;
  ORBEX9& plug = orbexfuzz::Product();
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  fx::IParam* param = plug.GetParam(data[0] % plug.NParams());
  const double value = param->StringToValue(text.c_str());
  // Whatever the text, the value is one the parameter can hold.
  double lo = 0, hi = 0;
  param->GetBounds(lo, hi);
  if (!(value >= lo && value <= hi)) __builtin_trap();
  fx::FxString display;
  param->GetDisplay(value, false, display, true);

  double d = 0;
  int i = 0;
  if (orbex9::ParseDouble(text, d)) orbex9::FormatValue(d);
  orbex9::ParseLeadingInt(text, i);
  return 0;
}
