#include "core/IPreset.h"

#include <cstring>

namespace fx {

IPreset::IPreset() noexcept
{
  SetName("empty");
}

void IPreset::SetName(const char* name) noexcept
{
  if (!name) name = "";
  const size_t len = strnlen(name, kMaxNameLen);
  std::memmove(mName, name, len);  // the name may come from this preset's own name
  mName[len] = '\0';
}

} // namespace fx
