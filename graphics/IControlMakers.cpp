#include "graphics/IControlMakers.h"

namespace fx::gfx {

IControlMakers& GetControlMakers()
{
  static IControlMakers makers;
  return makers;
}

} // namespace fx::gfx
