#pragma once
// The editor object as the editor delegate drives it: opening and closing its window, its size
// and scale, keys, and its controls. The graphics core's editor object implements it; the
// delegate owns one through it. Main thread only.

namespace fx::gfx {

class IControlLink;
struct IKeyPress;

class IGfxLink
{
public:
  IGfxLink() = default;
  virtual ~IGfxLink() = default;
  IGfxLink(const IGfxLink&) = delete;
  IGfxLink& operator=(const IGfxLink&) = delete;

  /** Opens the platform view inside the parent (may be null). The back end marks the delegate
   *  editor-ready, calls its LayoutUI and then OnUIOpen. Returns the view or null. */
  virtual void* OpenWindow(void* pParent) = 0;
  virtual void CloseWindow() = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float GetDrawScale() const = 0;
  /** The draw scale last asked for, before the editor was held to the room its screen has: the
   *  scale to keep with the plug-in's state while the editor is shown at a smaller one. */
  virtual float GetChosenScale() const = 0;
  virtual void Resize(int width, int height, float scale, bool needsPlatformResize) = 0;
  virtual void SetScreenScale(float scale) = 0;

  /** Pointer position in editor coordinates. */
  virtual void GetMouseLocation(float& x, float& y) const = 0;
  /** Keys at the pointer position; true when handled (false passes the key to the host). */
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key) = 0;
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key) = 0;

  /** Controls in list (draw) order. */
  virtual int NControls() const = 0;
  /** Null outside the list. */
  virtual IControlLink* GetControl(int idx) const = 0;
  /** The control attached with that tag; null for a tag the editor does not hold. */
  virtual IControlLink* FindControlWithTag(int tag) const = 0;
};

} // namespace fx::gfx
