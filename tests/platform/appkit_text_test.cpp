// Text fields edited with the window's field editor: typing through the
// formatter, selection, the pasteboard, and the ways editing ends.
#include <CoreFoundation/CFLiveObjects.h>
#include <gtest/gtest.h>

#include "tests/platform/AppKitTestViews.h"

using appkit_test::Key;
using appkit_test::Mouse;
using appkit_test::Type;

namespace {

class Host : public NSView, public NSTextFieldDelegate {
  NS_CLASS(Host, NSView)
 public:
  std::vector<std::string> ends;
  bool removeOnEnd = false;
  NSTextField* field = nullptr;
  BOOL acceptsFirstResponder() override { return YES; }
  BOOL isFlipped() override { return YES; }
  void controlTextDidEndEditing(NSNotification* n) override {
    auto* f = static_cast<NSTextField*>(n->object());
    ends.push_back(f->stringValue()->utf8() + " #" + std::to_string(nsx::TextMovementOf(n)));
    if (removeOnEnd) {  // as an editor closes its field when editing ends
      f->setDelegate(nullptr);
      f->removeFromSuperview();
      window()->makeFirstResponder(this);
    }
  }
};

// Digits only, at most four.
class DigitFormatter : public NSFormatter {
  NS_CLASS(DigitFormatter, NSFormatter)
 public:
  BOOL isPartialStringValid(NSString* s, NSString** replacement, NSString**) override {
    if (replacement != nullptr) *replacement = nullptr;
    if (s->length() > 4) return NO;
    NSCharacterSet* digits = NSCharacterSet::decimalDigitCharacterSet();
    for (NSUInteger i = 0; i < s->length(); ++i)
      if (!digits->characterIsMember(s->characterAtIndex(i))) return NO;
    return YES;
  }
};

}  // namespace

NS_IMPLEMENT_CLASS(Host)
NS_IMPLEMENT_CLASS(DigitFormatter)

namespace {

class TextFieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns_ = nsx::LiveObjectCount();
    cf_ = cfx::LiveObjectCount();
    pool_ = new nsx::AutoreleasePool();
    window_ = NSWindow::alloc()->initWithContentRect(NSMakeRect(0, 0, 300, 200), NSWindowStyleMaskTitled,
                                                     NSBackingStoreBuffered, NO);
    window_->makeKeyAndOrderFront(nil);
    host_ = static_cast<Host*>(Host::alloc()->initWithFrame(NSMakeRect(0, 0, 300, 200)));
    window_->setContentView(host_);
    field_ = static_cast<NSTextField*>(NSTextField::alloc()->initWithFrame(NSMakeRect(10, 10, 100, 22)));
    field_->setStringValue(NSSTR("42"));
    field_->setDelegate(host_);
    host_->addSubview(field_);
  }
  void TearDown() override {
    field_->release();
    host_->release();
    window_->release();
    delete pool_;
    NSPasteboard::generalPasteboard()->clearContents();
    EXPECT_EQ(nsx::LiveObjectCount(), ns_);
    EXPECT_EQ(cfx::LiveObjectCount(), cf_);
  }
  NSText* editor() { return field_->currentEditor(); }
  long ns_ = 0, cf_ = 0;
  nsx::AutoreleasePool* pool_ = nullptr;
  NSWindow* window_ = nullptr;
  Host* host_ = nullptr;
  NSTextField* field_ = nullptr;
};

TEST_F(TextFieldTest, BecomingFirstResponderEditsWithAllTextSelectedAndReturnCommits) {
  ASSERT_TRUE(window_->makeFirstResponder(field_));
  ASSERT_NE(editor(), nullptr);
  EXPECT_EQ(window_->firstResponder(), editor());
  EXPECT_EQ(editor()->superview(), field_);
  EXPECT_EQ(editor()->selectedRange().length, 2u);
  Type(window_, "17");  // replaces the selection
  EXPECT_EQ(field_->stringValue()->utf8(), "17");
  Key(window_, kVK_Return);
  EXPECT_EQ(editor(), nullptr);
  EXPECT_EQ(host_->ends, std::vector<std::string>{"17 #16"});
  EXPECT_EQ(field_->stringValue()->utf8(), "17");
  EXPECT_EQ(window_->firstResponder(), window_);
}

TEST_F(TextFieldTest, TheFormatterRefusesEditsAndTheArrowsMoveAndSelect) {
  field_->setFormatter(DigitFormatter::alloc());
  field_->formatter()->release();
  window_->makeFirstResponder(field_);
  Key(window_, kVK_RightArrow);  // to the end
  const int beeps = nsx::BeepCount();
  Type(window_, "3x45");  // 'x' refused, then the fifth digit
  EXPECT_EQ(editor()->string()->utf8(), "4234");
  EXPECT_EQ(nsx::BeepCount(), beeps + 2);
  Key(window_, kVK_LeftArrow, NSEventModifierFlagShift);
  Key(window_, kVK_LeftArrow, NSEventModifierFlagShift);
  EXPECT_EQ(editor()->selectedRange().location, 2u);
  EXPECT_EQ(editor()->selectedRange().length, 2u);
  Key(window_, kVK_Delete);
  Key(window_, kVK_Home);
  Type(window_, "9");
  EXPECT_EQ(editor()->string()->utf8(), "942");
  Key(window_, kVK_ForwardDelete);
  EXPECT_EQ(editor()->string()->utf8(), "92");
  Key(window_, kVK_Tab);
  EXPECT_EQ(host_->ends, std::vector<std::string>{"92 #17"});
}

TEST_F(TextFieldTest, ClickingElsewhereCommitsAndTheDelegateMayCloseTheField) {
  host_->removeOnEnd = true;
  Mouse(window_, NSEventTypeLeftMouseDown, 20, 180, 1);  // on the field (base y is flipped)
  ASSERT_NE(editor(), nullptr);
  Key(window_, kVK_End);
  Type(window_, "0");
  Mouse(window_, NSEventTypeLeftMouseUp, 20, 180, 1);
  Mouse(window_, NSEventTypeLeftMouseDown, 250, 20, 1);  // on the host
  EXPECT_EQ(host_->ends, std::vector<std::string>{"420 #0"});
  EXPECT_EQ(field_->superview(), nullptr);
  EXPECT_EQ(window_->firstResponder(), host_);
}

TEST_F(TextFieldTest, RemovingAFieldBeingEditedCancelsWithoutCommit) {
  window_->makeFirstResponder(field_);
  Type(window_, "77");
  field_->removeFromSuperview();
  EXPECT_TRUE(host_->ends.empty());
  EXPECT_EQ(field_->stringValue()->utf8(), "42");
  EXPECT_EQ(window_->firstResponder(), window_);
  EXPECT_EQ(window_->fieldEditor(NO, nil)->superview(), nullptr);
}

TEST_F(TextFieldTest, CopyAndPasteGoThroughTheGeneralPasteboard) {
  window_->makeFirstResponder(field_);
  Key(window_, kVK_ANSI_C, NSEventModifierFlagCommand);
  EXPECT_EQ(NSPasteboard::generalPasteboard()->stringForType(NSPasteboardTypeString)->utf8(), "42");
  Key(window_, kVK_End);
  Key(window_, kVK_ANSI_V, NSEventModifierFlagCommand);
  EXPECT_EQ(editor()->string()->utf8(), "4242");
  Key(window_, kVK_ANSI_A, NSEventModifierFlagCommand);
  Key(window_, kVK_ANSI_X, NSEventModifierFlagCommand);
  EXPECT_EQ(editor()->string()->utf8(), "");
  EXPECT_EQ(NSPasteboard::generalPasteboard()->stringForType(NSStringPboardType)->utf8(), "4242");
  // The field editor takes an insertion point colour when asked by selector.
  NSText* e = editor();
  ASSERT_TRUE(e->respondsToSelector(sel_registerName("setInsertionPointColor:")));
  e->performSelector(sel_registerName("setInsertionPointColor:"), NSColor::whiteColor());
  EXPECT_TRUE(static_cast<NSTextView*>(e)->insertionPointColor()->isEqual(NSColor::whiteColor()));
}

}  // namespace
