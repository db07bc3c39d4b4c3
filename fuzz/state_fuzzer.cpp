// The product's state as a host hands it back: any bytes as a state chunk.
#include "fuzz/FuzzProduct.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20)) return 0;
  ORBEX9& plug = orbexfuzz::Product();
  fx::IStateChunk chunk;
  chunk.PutBytes(data, static_cast<int>(size));
  if (plug.UnserializeState(chunk, 0) > 0)
  {
    // What was read must serialise again.
    fx::IStateChunk out;
    if (!plug.SerializeState(out)) __builtin_trap();
  }
  return 0;
}
