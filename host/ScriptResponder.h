#pragma once
// The answers of an editor script: menus and file panels answer as the
// script's lines say (the layer's scripted responder). A message box, which
// no line answers, is printed on standard error (its title and text) and
// answered with its default button, so what the person would have been told
// shows in the run's output. Main thread only.

#include <AppKit/NSModalResponder.h>

namespace orbexhost {

class ScriptResponder : public nsx::ScriptedResponder {
public:
  int runAlert(const nsx::AlertRequest& request) override;
};

}  // namespace orbexhost
