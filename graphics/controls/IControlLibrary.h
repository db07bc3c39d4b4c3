#pragma once
// Hands the control library's in-editor text field and pop-up menu to the editor: after this
// call, IGfx::AttachTextEntryControl and IGfx::AttachPopupMenuControl make them (before it, the
// editor keeps to the platform's). Call it before attaching either, for example at the start of
// an editor's layout; calling it again changes nothing. Main thread.

namespace fx::gfx {

void RegisterControlLibrary();

} // namespace fx::gfx
