// Preset files (.qvs documents): any bytes as a preset file the product loads.
#include "fuzz/FuzzProduct.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20)) return 0;
  ORBEX9& plug = orbexfuzz::Product();
  static const std::string path = orbexfuzz::PrivateHome() + "/fuzz.qvs";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  fx::FxString name;
  plug.LoadPresetFile(path.c_str(), &name);
  double values[64];
  plug.ReadPresetValues(path.c_str(), values, name, true);
  return 0;
}
