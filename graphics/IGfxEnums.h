#pragma once
// Small enumerations shared by the editor object, its back ends and the controls. The numbers
// are part of the contract with the platform back end and the control library.

#include <cstdint>

namespace fx::gfx {

/** Direction of knobs, sliders and value bubbles. */
enum EDirection : int32_t
{
  kVertical = 0,   // values grow upward
  kHorizontal = 1, // values grow to the right
};

enum EUIAppearance : int32_t
{
  kLight = 0,
  kDark = 1,
};

/** Mouse cursor kinds a control may ask for. */
enum ECursor : int32_t
{
  kArrowCursor = 0,
  kIBeamCursor = 1,
  kWaitCursor = 2,
  kCrossCursor = 3,
  kUpArrowCursor = 4,
  kSizeNWSECursor = 5,
  kSizeNESWCursor = 6,
  kSizeWECursor = 7,
  kSizeNSCursor = 8,
  kSizeAllCursor = 9,
  kNoCursor = 10,
  kHandCursor = 11,
  kAppStartingCursor = 12,
  kHelpCursor = 13,
};

enum EMessageBoxButtons : int32_t
{
  kMB_OK = 0,
  kMB_OKCANCEL = 1,
  kMB_ABORTRETRYIGNORE = 2,
  kMB_YESNOCANCEL = 3,
  kMB_YESNO = 4,
  kMB_RETRYCANCEL = 5,
};

enum EMessageBoxResult : int32_t
{
  kNoResult = 0,
  kOK = 1,
  kCANCEL = 2,
  kABORT = 3,
  kRETRY = 4,
  kIGNORE = 5,
  kYES = 6,
  kNO = 7,
};

enum EFilePromptAction : int32_t
{
  kFileOpen = 0,
  kFileSave = 1,
};

/** How a corner-resizer drag acts on the editor. */
enum EResizerMode : int32_t
{
  kResizerScale = 0, // the draw scale follows the pointer
  kResizerSize = 1,  // the editor size follows the pointer
};

/** Where a resource was found; 0 means nowhere. */
enum EResourceLocation : int32_t
{
  kNotFound = 0,
  kAbsolutePath = 1,
};

/** Blend methods of IBlend, interpreted by the drawing back end. */
enum EBlend : int32_t
{
  kBlendDefault = 0, // source over
  kBlendSourceIn = 1,
  kBlendSourceOut = 2,
  kBlendSourceAtop = 3,
  kBlendDestOver = 4,
  kBlendDestIn = 5,
  kBlendDestOut = 6,
  kBlendDestAtop = 7,
  kBlendAdd = 8,
  kBlendXOR = 9,
};

/** Kinds of gesture a platform may recognise. */
enum EGestureType : int32_t
{
  kGestureUnknown = 0,
  kGestureDoubleTap,
  kGestureTripleTap,
  kGestureLongPress1,
  kGestureLongPress2,
  kGestureSwipeLeft,
  kGestureSwipeRight,
  kGestureSwipeUp,
  kGestureSwipeDown,
  kGesturePinch,
  kGestureRotate,
};

enum EGestureState : int32_t
{
  kGestureStateUnknown = 0,
  kGestureStateBegan,
  kGestureStateInProcess,
  kGestureStateEnded,
};

/** A recognised gesture. The editor reads only x and y; the rest goes to the gesture's
 *  function as it came from the platform. */
struct IGestureInfo
{
  float x = 0.f;
  float y = 0.f;
  float scale = 0.f;    // pinch
  float velocity = 0.f; // pinch and rotate
  float angle = 0.f;    // rotate
  EGestureState state = kGestureStateUnknown;
  EGestureType type = kGestureUnknown;
};

} // namespace fx::gfx
