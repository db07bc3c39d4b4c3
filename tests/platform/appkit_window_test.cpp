// Windows and views: coordinates, hit testing and how events are
// dispatched; everything headless.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreGraphics/CGCursorRecord.h>
#include <CoreGraphics/CGRemoteOperation.h>
#include <gtest/gtest.h>

#include "tests/platform/AppKitTestViews.h"

using appkit_test::LogView;
using appkit_test::Mouse;

NS_IMPLEMENT_CLASS(LogView)

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns_ = nsx::LiveObjectCount();
    cf_ = cfx::LiveObjectCount();
    pool_ = new nsx::AutoreleasePool();
    window_ = NSWindow::alloc()->initWithContentRect(NSMakeRect(100, 100, 400, 300), NSWindowStyleMaskTitled,
                                                     NSBackingStoreBuffered, NO);
    window_->makeKeyAndOrderFront(nil);
    view_ = LogView::alloc()->initWithFrame(NSMakeRect(10, 20, 200, 100));
    window_->contentView()->addSubview(view_);
  }
  void TearDown() override {
    view_->release();
    window_->release();
    delete pool_;
    EXPECT_EQ(nsx::LiveObjectCount(), ns_);
    EXPECT_EQ(cfx::LiveObjectCount(), cf_);
  }
  long ns_ = 0, cf_ = 0;
  nsx::AutoreleasePool* pool_ = nullptr;
  NSWindow* window_ = nullptr;
  LogView* view_ = nullptr;
};

TEST_F(WindowTest, PointsConvertThroughFlippedAndUnflippedViews) {
  // view_ is flipped: its (0,0) is its top-left corner, base (10, 120).
  EXPECT_TRUE(NSEqualPoints(view_->convertPointToView(NSZeroPoint, nullptr), NSMakePoint(10, 120)));
  LogView* child = LogView::alloc()->initWithFrame(NSMakeRect(5, 5, 50, 40));
  child->flipped = false;
  view_->addSubview(child);
  EXPECT_TRUE(NSEqualPoints(child->convertPointToView(NSZeroPoint, nullptr), NSMakePoint(15, 75)));
  EXPECT_TRUE(NSEqualPoints(child->convertPointToView(NSZeroPoint, view_), NSMakePoint(5, 45)));
  EXPECT_TRUE(NSEqualPoints(child->convertPointFromView(NSMakePoint(15, 75), nullptr), NSZeroPoint));
  const NSRect r = child->convertRectToView(child->bounds(), nullptr);
  EXPECT_TRUE(NSEqualRects(r, NSMakeRect(15, 75, 50, 40)));
  EXPECT_EQ(window_->contentView()->hitTest(NSMakePoint(20, 80)), child);
  EXPECT_EQ(window_->contentView()->hitTest(NSMakePoint(100, 30)), view_);
  EXPECT_EQ(window_->contentView()->hitTest(NSMakePoint(300, 250)), window_->contentView());
  child->setHidden(YES);
  EXPECT_EQ(window_->contentView()->hitTest(NSMakePoint(20, 80)), view_);
  child->removeFromSuperview();
  EXPECT_EQ(child->superview(), nullptr);
  EXPECT_EQ(child->window(), nullptr);
  child->release();
}

TEST_F(WindowTest, APressMakesTheViewFirstResponderAndItKeepsTheDragAndRelease) {
  Mouse(window_, NSEventTypeLeftMouseDown, 20, 110, 1);
  EXPECT_EQ(window_->firstResponder(), view_);
  Mouse(window_, NSEventTypeLeftMouseDragged, 390, 290, 1);  // far outside the view
  Mouse(window_, NSEventTypeLeftMouseUp, 390, 290, 1);
  Mouse(window_, NSEventTypeLeftMouseDown, 20, 110, 2);
  Mouse(window_, NSEventTypeLeftMouseUp, 20, 110, 2);
  EXPECT_EQ(view_->log, (std::vector<std::string>{"down 10,10 x1", "drag 380,-170 x1", "up 380,-170 x1",
                                                  "down 10,10 x2", "up 10,10 x2"}));
}

TEST_F(WindowTest, TrackingAreasTellEntryAndExitAndDeferExitWithoutTheDragOption) {
  view_->trackingOptions = NSTrackingMouseEnteredAndExited | NSTrackingActiveAlways;
  view_->updateTrackingAreas();
  LogView* other = LogView::alloc()->initWithFrame(NSMakeRect(250, 20, 100, 100));
  other->trackingOptions = 0x481;  // entered/exited, always, also during drags
  window_->contentView()->addSubview(other);
  EXPECT_NE(other->area, nullptr);  // made when it moved to the window

  Mouse(window_, NSEventTypeMouseMoved, 20, 110, 0);
  Mouse(window_, NSEventTypeLeftMouseDown, 20, 110, 1);
  Mouse(window_, NSEventTypeLeftMouseDragged, 260, 110, 1);  // into other during the drag
  EXPECT_EQ(view_->log, (std::vector<std::string>{"enter 10,10", "down 10,10 x1", "drag 250,10 x1"}));
  EXPECT_EQ(other->log, (std::vector<std::string>{"enter 10,10"}));
  Mouse(window_, NSEventTypeLeftMouseDragged, 380, 110, 1);  // out of other, still dragging
  EXPECT_EQ(other->log.back(), "exit 130,10");
  Mouse(window_, NSEventTypeLeftMouseUp, 380, 110, 1);
  // view_'s area waited for the release to tell its exit.
  EXPECT_EQ(view_->log, (std::vector<std::string>{"enter 10,10", "down 10,10 x1", "drag 250,10 x1", "drag 370,10 x1",
                                                  "up 370,10 x1", "exit 370,10"}));
  window_->pointerLeftWindow();
  other->release();
}

TEST_F(WindowTest, MovesAndKeysGoToTheFirstResponderAndUnhandledKeysGoUp) {
  LogView* inner = LogView::alloc()->initWithFrame(NSMakeRect(0, 0, 50, 50));
  inner->passKeys = true;
  view_->addSubview(inner);
  Mouse(window_, NSEventTypeMouseMoved, 20, 110, 0);
  EXPECT_TRUE(view_->log.empty());  // the window does not take moves yet
  window_->setAcceptsMouseMovedEvents(YES);
  window_->makeFirstResponder(inner);
  Mouse(window_, NSEventTypeMouseMoved, 20, 110, 0);
  appkit_test::Key(window_, kVK_ANSI_A, NSEventModifierFlagShift);
  window_->sendEvent(nsx::ScrollWheelEvent(NSMakePoint(20, 110), 0, window_->windowNumber(), 0, -2, NO));
  EXPECT_EQ(inner->log, (std::vector<std::string>{"move 10,10", "wheel -2"}));  // the wheel: the view under it
  EXPECT_EQ(view_->log, std::vector<std::string>{"key 0 A shift"});             // the key came up from inner
  // A view leaving the window stops being first responder.
  inner->removeFromSuperview();
  EXPECT_EQ(window_->firstResponder(), window_);
  inner->release();
}

TEST_F(WindowTest, ToolTipAreasAnswerThroughTheirOwner) {
  const NSToolTipTag first = view_->addToolTipRect(NSMakeRect(0, 0, 50, 50), view_, nullptr);
  view_->addToolTipRect(NSMakeRect(40, 0, 50, 50), view_, nullptr);
  EXPECT_EQ(view_->toolTipAtPoint(NSMakePoint(10, 10))->utf8(), "tip" + std::to_string(first) + " 10,10");
  EXPECT_EQ(view_->toolTipAtPoint(NSMakePoint(45, 10))->utf8(), "tip" + std::to_string(first + 1) + " 45,10");
  EXPECT_EQ(view_->toolTipAtPoint(NSMakePoint(150, 10)), nullptr);
  view_->removeToolTip(first + 1);
  EXPECT_EQ(view_->toolTipAreas().size(), 1u);
  view_->removeAllToolTips();
  EXPECT_EQ(view_->toolTipAtPoint(NSMakePoint(10, 10)), nullptr);
}

TEST_F(WindowTest, ScaleAndAppearanceChangesReachEveryView) {
  nsx::SetMainScreen(NSMakeSize(1920, 1080), 2.0);
  EXPECT_EQ(window_->backingScaleFactor(), 2.0);
  nsx::SetMainScreen(NSMakeSize(1920, 1080), 2.0);  // no change, no news
  nsx::SetSystemAppearance(NSAppearanceNameDarkAqua);
  EXPECT_TRUE(view_->effectiveAppearance()->name()->isEqualToString(NSAppearanceNameDarkAqua));
  nsx::SetSystemAppearance(NSAppearanceNameAqua);
  nsx::SetMainScreen(NSMakeSize(1920, 1080), 1.0);
  EXPECT_EQ(view_->log, (std::vector<std::string>{"backing", "appearance", "appearance", "backing"}));
}

TEST_F(WindowTest, FrameChangesArePostedAndLayersFollowTheView) {
  view_->setWantsLayer(YES);
  ASSERT_NE(view_->layer(), nullptr);
  EXPECT_EQ(view_->layer()->asMetalLayer(), nullptr);
  CAMetalLayer* metal = CAMetalLayer::layer();
  view_->setLayer(metal);
  EXPECT_EQ(metal->retainCount(), 2);
  metal->release();
  view_->setFrameSize(NSMakeSize(300, 150));
  EXPECT_EQ(view_->layer()->asMetalLayer(), metal);
  EXPECT_EQ(metal->bounds().size.width, 300);
}

TEST_F(WindowTest, DroppedFilesReachAViewThatRegisteredTheirType) {
  NSArray* files = NSArray::arrayWithObject(NSSTR("/tmp/song.wav"));
  EXPECT_FALSE(window_->dropFiles(files, NSMakePoint(20, 110)));
  view_->registerForDraggedTypes(NSArray::arrayWithObject(NSFilenamesPboardType));
  EXPECT_TRUE(window_->dropFiles(files, NSMakePoint(20, 110)));
  EXPECT_EQ(view_->log, std::vector<std::string>{"drop /tmp/song.wav"});
}

TEST_F(WindowTest, TheContentViewLeavesItsWindowWithEverythingInIt) {
  Mouse(window_, NSEventTypeLeftMouseDown, 20, 110, 1);  // view_ is pressed and first responder
  NSView* content = window_->contentView();
  content->retain();
  content->removeFromSuperview();
  EXPECT_EQ(window_->contentView(), nullptr);
  EXPECT_EQ(view_->window(), nullptr);
  EXPECT_EQ(window_->firstResponder(), window_);
  Mouse(window_, NSEventTypeLeftMouseUp, 20, 110, 1);  // reaches no one
  Mouse(window_, NSEventTypeLeftMouseDown, 20, 110, 1);
  EXPECT_EQ(view_->log, std::vector<std::string>{"down 10,10 x1"});
  window_->setContentView(content);
  content->release();
  EXPECT_EQ(view_->window(), window_);
}

TEST_F(WindowTest, ThePointerOnTheScreenFollowsEventsAndWarps) {
  nsx::SetMainScreen(NSMakeSize(1920, 1080), 1.0);
  Mouse(window_, NSEventTypeMouseMoved, 20, 110, 0);
  EXPECT_TRUE(NSEqualPoints(NSEvent::mouseLocation(), NSMakePoint(120, 210)));
  EXPECT_TRUE(CGPointEqualToPoint(cgx::Cursor().position, CGPointMake(120, 870)));
  CGDisplayMoveCursorToPoint(CGMainDisplayID(), CGPointMake(500, 80));
  EXPECT_TRUE(NSEqualPoints(NSEvent::mouseLocation(), NSMakePoint(500, 1000)));
  CGAssociateMouseAndMouseCursorPosition(false);
  Mouse(window_, NSEventTypeMouseMoved, 30, 110, 0);  // the person's move does not move a detached cursor
  EXPECT_TRUE(NSEqualPoints(NSEvent::mouseLocation(), NSMakePoint(500, 1000)));
  CGAssociateMouseAndMouseCursorPosition(true);
  cgx::ResetCursorRecord();
}

}  // namespace
