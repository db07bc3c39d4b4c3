#pragma once
// The built limiter component, loaded in the test's own process as the host loads it.

#include "host/ComponentLoader.h"

#include <filesystem>
#include <string>

namespace hosttest {

// Loads the component from its bundle (three folders above the component's library), the test's
// process named name as the host application.
inline bool LoadProduct(const char* name, orbexhost::LoadedComponent& component, std::string& error) {
  orbexhost::RegisterHostBundle(name);
  const std::string bundle =
      std::filesystem::path(ORBEX9_COMPONENT_PATH).parent_path().parent_path().parent_path().string();
  return orbexhost::LoadComponent(bundle, false, component, error);
}

}  // namespace hosttest
