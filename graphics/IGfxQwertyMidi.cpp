// The computer keyboard as a MIDI note keyboard. Its octave and held notes are shared by every
// editor of the process (all on the one user-interface thread) and outlive them.

#include "core/IGEditorDelegate.h"
#include "core/IMidiMsg.h"
#include "graphics/IGfx.h"

#include <algorithm>

namespace fx::gfx {

namespace {

struct QwertyState
{
  int baseNote = 48;
  bool held[128] = {};
};

QwertyState& State()
{
  static QwertyState state;
  return state;
}

// Semitones above the base note of the note keys, by letter; -1 for the other letters.
int NoteOffset(int vk)
{
  switch (vk)
  {
    case 'A': return 0;
    case 'W': return 1;
    case 'S': return 2;
    case 'E': return 3;
    case 'D': return 4;
    case 'F': return 5;
    case 'T': return 6;
    case 'G': return 7;
    case 'Y': return 8;
    case 'H': return 9;
    case 'U': return 10;
    case 'J': return 11;
    case 'K': return 12;
    case 'O': return 13;
    case 'L': return 14;
    default: return -1;
  }
}

} // namespace

void IGfx::SetQwertyMidiKeyHandlerFunc(IMidiFunc func)
{
  mKeyHandlerFunc = [this, func](const IKeyPress& key, bool isUp) {
    QwertyState& state = State();
    auto send = [&](uint8_t status, int note, uint8_t velocity) {
      const IMidiMsg msg(0, status, static_cast<uint8_t>(note), velocity);
      mDelegate->SendMidiMsgFromUI(msg);
      if (func) func(msg);
    };

    if (key.VK == 'X' || key.VK == 'Z')
    {
      if (isUp) return true;
      state.baseNote = std::clamp(state.baseNote + (key.VK == 'X' ? 12 : -12), 24, 96);
      for (int note = 0; note < 128; ++note)
      {
        if (!state.held[note]) continue;
        state.held[note] = false;
        send(0x80, note, 0);
      }
      return true;
    }

    const int offset = NoteOffset(key.VK);
    if (offset < 0) return true; // every key is taken while the handler is installed
    const int note = state.baseNote + offset;
    if (!isUp && !state.held[note])
    {
      state.held[note] = true;
      send(0x90, note, 127);
    }
    else if (isUp && state.held[note])
    {
      state.held[note] = false;
      send(0x80, note, 0);
    }
    return true;
  };
}

} // namespace fx::gfx
