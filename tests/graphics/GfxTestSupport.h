#pragma once
// A delegate with four parameters that logs what the editor tells it, controls that log what
// they receive, and a clock the test moves by hand.

#include "core/IGEditorDelegate.h"
#include "core/IMidiMsg.h"
#include "core/IParam.h"
#include "graphics/IControl.h"
#include "graphics/IControlMakers.h"
#include "graphics/IGfx.h"
#include "tests/graphics/RecordingGfx.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fx::gfx::test {

enum ETestParam
{
  kGain = 0,  // double -12..12, step 0.01, "dB"
  kMode = 1,  // enum "A", "B", "C"
  kSteps = 2, // int 0..10
  kOn = 3,    // bool
  kNumTestParams
};

class TestDelegate : public IGEditorDelegate
{
public:
  TestDelegate() : IGEditorDelegate(kNumTestParams)
  {
    GetParam(kGain)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.01, "dB");
    GetParam(kMode)->InitEnum("Mode", 1, {"A", "B", "C"});
    GetParam(kSteps)->InitInt("Steps", 5, 0, 10);
    GetParam(kOn)->InitBool("On", false);
    SetSizeConstraints(500, 2000, 135, 540);
  }

  void BeginInformHostOfParamChangeFromUI(int paramIdx) override { log.push_back("begin " + std::to_string(paramIdx)); }
  void EndInformHostOfParamChangeFromUI(int paramIdx) override { log.push_back("end " + std::to_string(paramIdx)); }
  void SendParameterValueFromUI(int paramIdx, double value, bool callHook) override
  {
    values.emplace_back(paramIdx, value);
    IGEditorDelegate::SendParameterValueFromUI(paramIdx, value, callHook);
  }
  void OnEditorMouseDown() override { log.push_back("mousedown"); }
  void OnEditorMouseUp() override { log.push_back("mouseup"); }
  bool EditorResizeFromUI(int w, int h, bool needsPlatformResize) override
  {
    log.push_back("resize " + std::to_string(w) + "x" + std::to_string(h) + (needsPlatformResize ? " p" : ""));
    return needsPlatformResize;
  }
  void SendMidiMsgFromUI(const IMidiMsg& msg) override { midi.push_back(msg); }
  void LayoutUI(IGfx* g) override
  {
    ++layouts;
    IGEditorDelegate::LayoutUI(g);
  }

  /** Log entries that are host gestures ("begin n", "end n"). */
  std::vector<std::string> Gestures() const
  {
    std::vector<std::string> out;
    for (const std::string& s : log)
      if (s.rfind("begin", 0) == 0 || s.rfind("end", 0) == 0) out.push_back(s);
    return out;
  }

  std::vector<std::string> log;
  std::vector<std::pair<int, double>> values;
  std::vector<IMidiMsg> midi;
  int layouts = 0;
};

/** A control that records its input and drawing into a shared log. */
class TestControl : public IControl
{
public:
  TestControl(const IRECT& r, int paramIdx = -1, IActionFunction action = nullptr, std::string name = "c")
    : IControl(r, paramIdx, std::move(action)), mName(std::move(name))
  {
  }
  TestControl(const IRECT& r, std::initializer_list<int> params, std::string name = "c")
    : IControl(r, params), mName(std::move(name))
  {
  }
  ~TestControl() override
  {
    if (deleted) *deleted = true;
  }

  void Draw(IGfx& g) override
  {
    ++draws;
    drawClip = g.GetClipRECT();
  }
  void OnMouseDown(float x, float y, const IMouseMod& mod) override
  {
    events.push_back("down");
    IControl::OnMouseDown(x, y, mod);
  }
  void OnMouseUp(float, float, const IMouseMod&) override { events.push_back("up"); }
  void OnMouseDrag(float, float, float dX, float dY, const IMouseMod&) override
  {
    events.push_back("drag " + std::to_string(static_cast<int>(dX)) + "," + std::to_string(static_cast<int>(dY)));
  }
  void OnMouseDblClick(float, float, const IMouseMod&) override { events.push_back("dbl"); }
  void OnMouseWheel(float, float, const IMouseMod&, float d) override { events.push_back("wheel " + std::to_string(d)); }
  bool OnKeyDown(float, float, const IKeyPress&) override
  {
    events.push_back("key");
    return takesKeys;
  }
  void OnMouseOver(float x, float y, const IMouseMod& mod) override
  {
    events.push_back("over");
    IControl::OnMouseOver(x, y, mod);
  }
  void OnMouseOut() override
  {
    events.push_back("out");
    IControl::OnMouseOut();
  }
  void OnTouchCancelled(float, float, const IMouseMod&) override { events.push_back("cancel"); }
  void OnDrop(const char* path) override { events.push_back(std::string("drop ") + path); }
  void OnInit() override { events.push_back("init"); }
  void OnResize() override { events.push_back("resize"); }
  void OnRescale() override { events.push_back("rescale"); }
  void OnAttached() override { events.push_back("attached"); }
  void CreateContextMenu(IPopupMenu& menu) override
  {
    for (const std::string& item : contextItems) menu.AddItem(item.c_str());
  }
  void OnContextSelection(int itemIdx) override { events.push_back("context " + std::to_string(itemIdx)); }
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override
  {
    events.push_back(std::string("menu ") + (menu ? std::to_string(menu->GetChosenItemIdx()) : "null"));
    IControl::OnPopupMenuSelection(menu, valIdx);
  }
  void OnTextEntryCompletion(const char* str, int) override { events.push_back(std::string("text ") + str); }

  int Count(const std::string& e) const
  {
    int n = 0;
    for (const std::string& s : events) n += s == e;
    return n;
  }

  std::string mName;
  std::vector<std::string> events;
  std::vector<std::string> contextItems;
  bool takesKeys = false;
  int draws = 0;
  IRECT drawClip;
  bool* deleted = nullptr;
};

/** A control that draws through a function of the test. */
class DrawingControl : public TestControl
{
public:
  DrawingControl(const IRECT& r, std::function<void(IGfx&, const IRECT&)> draw, int paramIdx = -1)
    : TestControl(r, paramIdx), mDraw(std::move(draw))
  {
  }
  void Draw(IGfx& g) override
  {
    TestControl::Draw(g);
    if (mDraw) mDraw(g, GetRECT());
  }

private:
  std::function<void(IGfx&, const IRECT&)> mDraw;
};

/** A steady clock the test advances. */
struct ManualClock
{
  double now = 1000.0;
  IGfx::IClockFunc Func()
  {
    return [this] { return now; };
  }
};

/** An editor on the recording back end with its delegate and a manual clock. */
struct EditorFixture
{
  explicit EditorFixture(int w = 1000, int h = 270, float scale = 1.f)
    : gfx(std::make_unique<RecordingGfx>(dlg, w, h, 60, scale))
  {
    gfx->SetClock(clock.Func());
  }

  IMouseInfo Point(float x, float y, bool right = false, uint64_t touch = 0, float dX = 0.f, float dY = 0.f) const
  {
    IMouseInfo p;
    p.x = x;
    p.y = y;
    p.dX = dX;
    p.dY = dY;
    p.ms = IMouseMod(!right, right, false, false, false, touch);
    return p;
  }
  void Down(float x, float y, bool right = false) { gfx->OnMouseDown({Point(x, y, right)}); }
  void Up(float x, float y) { gfx->OnMouseUp({Point(x, y)}); }
  void Drag(float x, float y, float dX, float dY) { gfx->OnMouseDrag({Point(x, y, false, 0, dX, dY)}); }

  TestDelegate dlg;
  ManualClock clock;
  std::unique_ptr<RecordingGfx> gfx;
};

} // namespace fx::gfx::test
