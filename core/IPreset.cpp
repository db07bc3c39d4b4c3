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
  std::memcpy(mName, name, len);
  mName[len] = '\0';
}

} // namespace fx
