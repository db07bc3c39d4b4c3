// Program (.fxp) and bank (.fxb) files: any bytes as either image.
#include "fuzz/FuzzProduct.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20)) return 0;
  ORBEX9& plug = orbexfuzz::Product();
  plug.LoadFXPImage(data, static_cast<int>(size));
  plug.LoadFXBImage(data, static_cast<int>(size));
  return 0;
}
