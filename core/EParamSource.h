#pragma once
// Where a parameter change comes from; passed to the plug-in's change hooks.

namespace fx {

enum EParamSource : int
{
  kHost = 1,           // host automation or a host set call
  kPresetRecall = 2,   // a preset or state restore
  kUI = 3,             // a control of the editor
  kDelegate = 4,       // the editor updated from the plug-in
};

} // namespace fx
