#include "host/ScriptResponder.h"

#include <cstdio>

namespace orbexhost {

int ScriptResponder::runAlert(const nsx::AlertRequest& request) {
  const char* button = request.buttons.empty() ? "OK" : request.buttons.front().c_str();
  std::fprintf(stderr, "orbex9-host: message box \"%s\" (answered %s): %s\n", request.title.c_str(), button,
               request.message.c_str());
  std::fflush(stderr);
  return 0;
}

}  // namespace orbexhost
