#include "host/ScriptPlayer.h"

#include "host/CommandLine.h"
#include "host/EditorView.h"
#include "host/MessageText.h"
#include "host/OutputFile.h"
#include "host/PngFile.h"

#include <AppKit/NSEvent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace orbexhost {

namespace {

using Kind = ScriptEvent::Kind;

// A drag moves the pointer in steps of at most this many view points.
constexpr double kDragStepPoints = 4.0;
constexpr int kMaxDragSteps = 2000;

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

unsigned short NamedKeyCode(ScriptKey key) {
  switch (key) {
    case ScriptKey::kReturn: return kVK_Return;
    case ScriptKey::kEscape: return kVK_Escape;
    case ScriptKey::kTab: return kVK_Tab;
    case ScriptKey::kBackspace: return kVK_Delete;
    case ScriptKey::kDelete: return kVK_ForwardDelete;
    case ScriptKey::kLeft: return kVK_LeftArrow;
    case ScriptKey::kRight: return kVK_RightArrow;
    case ScriptKey::kUp: return kVK_UpArrow;
    case ScriptKey::kDown: return kVK_DownArrow;
    case ScriptKey::kHome: return kVK_Home;
    case ScriptKey::kEnd: return kVK_End;
    case ScriptKey::kSpace: return kVK_Space;
    case ScriptKey::kCharacter: break;
  }
  return kVK_Space;
}

std::u16string Utf16(char32_t c) {
  if (c < 0x10000) return std::u16string(1, static_cast<char16_t>(c));
  c -= 0x10000;
  return {static_cast<char16_t>(0xD800 + (c >> 10)), static_cast<char16_t>(0xDC00 + (c & 0x3FF))};
}

}  // namespace

bool CheckScriptFiles(const EditorScript& script, int& code, std::string& error) {
  for (const ScriptEvent& e : script.events) {
    std::string why;
    struct stat st {};
    if (e.kind == Kind::kOpen && stat(e.text.c_str(), &st) != 0) {
      error = ScriptLineError(script, e.line, errno == ELOOP ? "cannot open " + QuotePath(e.text) +
                                                                   ": its symbolic links go round in a loop"
                                                             : "no file " + QuotePath(e.text) + " to open");
      code = kExitUsage;
      return false;
    }
    if (e.kind == Kind::kSave) {
      const std::string folder = std::filesystem::path(Absolute(e.text)).parent_path().string();
      if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = ScriptLineError(script, e.line, "no folder " + QuotePath(folder) + " to save " + QuotePath(e.text) +
                                                    " in");
        code = kExitUsage;
        return false;
      }
    }
    if (e.kind == Kind::kPng && !(why = OutputFile::Problem(e.text, true)).empty()) {
      error = ScriptLineError(script, e.line, "cannot write " + QuotePath(e.text) + ": " + why);
      code = kExitOutput;
      return false;
    }
  }
  return true;
}

ScriptPlayer::ScriptPlayer(EditorView& view, PictureFiles& pictures) : mView(view), mPictures(pictures) {
  nsx::SetModalResponder(&mResponder);
}

ScriptPlayer::~ScriptPlayer() {
  if (nsx::InstalledModalResponder() == &mResponder) nsx::SetModalResponder(nullptr);
}

bool ScriptPlayer::Play(const EditorScript& script, int& code, std::string& error) {
  for (const ScriptEvent& e : script.events) {
    std::string why;
    code = kExitFailure;
    mResponder.SetPlayingLine(e.line);
    if (!PlayEvent(e, code, why)) {
      error = ScriptLineError(script, e.line, why);
      return false;
    }
    if (mResponder.MissedLine() != 0) {
      code = kExitUsage;
      error = ScriptLineError(script, mResponder.MissedLine(), mResponder.Missed());
      return false;
    }
  }
  code = kExitOk;
  return true;
}

void ScriptPlayer::Hand(double x, double y, double scale, double& px, double& py, double& dx, double& dy) {
  dx = x - mLastX;
  dy = y - mLastY;
  px = x;
  py = y;
  if (mLeftDown || mRightDown) {
    const NSPoint now = mView.PointerAt(scale);
    px = now.x + dx;
    py = now.y + dy;
  }
  mLastX = x;
  mLastY = y;
}

void ScriptPlayer::Hand(double x, double y, double scale, double& px, double& py) {
  double dx = 0, dy = 0;
  Hand(x, y, scale, px, py, dx, dy);
}

void ScriptPlayer::Button(bool down, const ScriptEvent& e, double x, double y, double scale, int clickCount) {
  const bool right = (e.modifiers & kModRight) != 0;
  const NSEventType type = right ? (down ? NSEventTypeRightMouseDown : NSEventTypeRightMouseUp)
                                 : (down ? NSEventTypeLeftMouseDown : NSEventTypeLeftMouseUp);
  (right ? mRightDown : mLeftDown) = down;
  mView.Mouse(type, x, y, scale, e.modifiers, clickCount);
}

void ScriptPlayer::TypeCharacter(char32_t c, unsigned modifiers) {
  NSEventModifierFlags needs = 0;
  const unsigned short code = c < 0x10000 ? nsx::KeyCodeForCharacter(static_cast<unichar>(c), &needs) : 0xFFFF;
  const NSEventModifierFlags flags = EditorView::Flags(modifiers) | (code != 0xFFFF ? needs : 0);
  if (code != 0xFFFF) {
    const nsx::KeyCharacters chars = nsx::CharactersForKey(code, flags);
    mView.Key(code, chars.characters, chars.charactersIgnoringModifiers, flags);
  } else {
    // A character no key of the keyboard types: given as it is.
    mView.Key(0xFFFF, Utf16(c), Utf16(c), flags);
  }
}

void ScriptPlayer::Key(const ScriptEvent& e) {
  if (e.key == ScriptKey::kCharacter) {
    TypeCharacter(e.character, e.modifiers);
    return;
  }
  const unsigned short code = NamedKeyCode(e.key);
  const NSEventModifierFlags flags = EditorView::Flags(e.modifiers);
  const nsx::KeyCharacters chars = nsx::CharactersForKey(code, flags);
  mView.Key(code, chars.characters, chars.charactersIgnoringModifiers, flags);
}

bool ScriptPlayer::PlayEvent(const ScriptEvent& e, int& code, std::string& why) {
  // Editor units become view points at the scale the editor has now.
  const double scale = mView.Scale();
  double x = 0, y = 0;
  switch (e.kind) {
    case Kind::kMove: {
      const NSEventType type = mLeftDown    ? NSEventTypeLeftMouseDragged
                               : mRightDown ? NSEventTypeRightMouseDragged
                                            : NSEventTypeMouseMoved;
      double dx = 0, dy = 0;
      Hand(e.x, e.y, scale, x, y, dx, dy);
      mView.Move(type, x, y, scale, e.modifiers, dx, dy);
      break;
    }
    case Kind::kDown:
      Hand(e.x, e.y, scale, x, y);
      Button(true, e, x, y, scale, 1);
      break;
    case Kind::kUp:
      Hand(e.x, e.y, scale, x, y);
      Button(false, e, x, y, scale, 1);
      break;
    case Kind::kClick:
    case Kind::kDoubleClick:
      for (int clicks = 1; clicks <= (e.kind == Kind::kClick ? 1 : 2); ++clicks) {
        Hand(e.x, e.y, scale, x, y);
        Button(true, e, x, y, scale, clicks);
        Hand(e.x, e.y, scale, x, y);
        Button(false, e, x, y, scale, clicks);
      }
      break;
    case Kind::kDrag: {
      Hand(e.x, e.y, scale, x, y);
      Button(true, e, x, y, scale, 1);
      const double dx = e.x2 - e.x, dy = e.y2 - e.y;
      const int steps =
          std::clamp(static_cast<int>(std::ceil(std::hypot(dx, dy) * scale / kDragStepPoints)), 1, kMaxDragSteps);
      const NSEventType type = (e.modifiers & kModRight) ? NSEventTypeRightMouseDragged : NSEventTypeLeftMouseDragged;
      for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        double stepX = 0, stepY = 0;
        Hand(e.x + dx * t, e.y + dy * t, scale, x, y, stepX, stepY);
        mView.Move(type, x, y, scale, e.modifiers, stepX, stepY);
      }
      Hand(e.x2, e.y2, scale, x, y);
      Button(false, e, x, y, scale, 1);
      break;
    }
    case Kind::kWheel:
      Hand(e.x, e.y, scale, x, y);
      mView.Wheel(x, y, scale, e.amount, e.modifiers);
      break;
    case Kind::kKey: Key(e); break;
    case Kind::kType:
      for (const char32_t c : e.typed) TypeCharacter(c, 0);
      break;
    case Kind::kMenu: mResponder.ChooseMenuPath(e.path, e.line); break;
    case Kind::kMenuNone: mResponder.DismissMenu(); break;
    case Kind::kOpen: mResponder.AnswerPanel(ScriptResponder::Panel::kOpen, Absolute(e.text), e.line); break;
    case Kind::kSave: mResponder.AnswerPanel(ScriptResponder::Panel::kSave, Absolute(e.text), e.line); break;
    case Kind::kCancel: mResponder.AnswerPanel(ScriptResponder::Panel::kCancel, {}, e.line); break;
    case Kind::kWait: return mView.Advance(e.amount / 1000.0, why);
    case Kind::kPng: {
      std::vector<uint8_t> rgba;
      int w = 0, h = 0;
      if (!mView.Picture(rgba, w, h, why)) return false;
      if (!mPictures.Add(e.text, rgba, w, h, why)) {
        code = kExitOutput;
        return false;
      }
      return true;
    }
  }
  // What the event started (due timers, a resize) settles before the next line.
  return mView.Advance(0, why);
}

}  // namespace orbexhost
