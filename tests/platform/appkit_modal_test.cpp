// Modal interface answered by a scripted responder (and, without one, the
// unattended answers), the colour panel, cursors, the workspace and the
// system version.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreGraphics/CGCursorRecord.h>
#include <CoreServices/Gestalt.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform/AppKitTestViews.h"
#include "tests/platform/TempFolder.h"

namespace {

class Receiver : public NSObject {
  NS_CLASS(Receiver, NSObject)
 public:
  std::vector<std::string> chosen;
  void onMenu(NSMenuItem* item) { chosen.push_back(item->title()->utf8() + "/" + std::to_string(item->tag())); }
  void onColor(NSColorPanel* panel) {
    chosen.push_back("color " + std::to_string(static_cast<int>(panel->color()->redComponent() * 255 + 0.5)));
  }
};

}  // namespace

NS_IMPLEMENT_CLASS(Receiver, {nsx::method<&Receiver::onMenu>("onMenu:"), nsx::method<&Receiver::onColor>("onColor:")})

namespace {

// Scripted answers, and the reasons a panel gives for those it does not take.
class RefusalsResponder : public nsx::ScriptedResponder {
 public:
  std::vector<std::string> refused;
  void filePanelRefused(const nsx::FilePanelRequest&, const nsx::FilePanelAnswer& answer,
                        const std::string& why) override {
    refused.push_back(answer.path + ": " + why);
  }
};

class ModalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns_ = nsx::LiveObjectCount();
    cf_ = cfx::LiveObjectCount();
    pool_ = new nsx::AutoreleasePool();
    nsx::SetModalResponder(&responder_);
    receiver_ = Receiver::alloc();
  }
  void TearDown() override {
    nsx::SetModalResponder(nullptr);
    receiver_->release();
    delete pool_;
    EXPECT_EQ(nsx::LiveObjectCount(), ns_);
    EXPECT_EQ(cfx::LiveObjectCount(), cf_);
  }
  NSMenu* BuildMenu() {
    NSMenu* menu = static_cast<NSMenu*>(NSMenu::alloc()->initWithTitle(NSSTR(""))->autorelease());
    menu->setAutoenablesItems(NO);
    const char* titles[] = {"Load", "Save", "Off"};
    for (int i = 0; i < 3; ++i) {
      NSMenuItem* item = menu->addItemWithTitle(nsx::Str(titles[i]), sel_registerName("onMenu:"), NSSTR(""));
      item->setTarget(receiver_);
      item->setTag(i);
    }
    menu->itemAtIndex(2)->setEnabled(NO);
    menu->addItem(NSMenuItem::separatorItem());
    NSMenuItem* sub = menu->addItemWithTitle(NSSTR("Factory"), nullptr, NSSTR(""));
    NSMenu* presets = static_cast<NSMenu*>(NSMenu::alloc()->initWithTitle(NSSTR(""))->autorelease());
    NSMenuItem* p = presets->addItemWithTitle(NSSTR("Init"), sel_registerName("onMenu:"), NSSTR(""));
    p->setTarget(receiver_);
    p->setTag(7);
    p->setState(NSControlStateValueOn);
    menu->setSubmenu(presets, sub);
    return menu;
  }
  long ns_ = 0, cf_ = 0;
  nsx::AutoreleasePool* pool_ = nullptr;
  RefusalsResponder responder_;
  Receiver* receiver_ = nullptr;
};

TEST_F(ModalTest, PopUpMenusSendTheChosenItemsActionToItsTarget) {
  NSMenu* menu = BuildMenu();
  responder_.chooseMenuItem(1);
  responder_.chooseMenuPath({4, 0});
  responder_.chooseMenuTitle("Init");
  responder_.dismissMenu();
  responder_.chooseMenuItem(2);  // disabled
  responder_.chooseMenuItem(3);  // separator
  responder_.chooseMenuItem(4);  // opens a submenu: not a choice
  EXPECT_TRUE(menu->popUpMenuPositioningItem(nullptr, NSMakePoint(5, 5), nullptr));
  EXPECT_TRUE(menu->popUpMenuPositioningItem(nullptr, NSMakePoint(5, 5), nullptr));
  EXPECT_TRUE(menu->popUpMenuPositioningItem(nullptr, NSMakePoint(5, 5), nullptr));
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(menu->popUpMenuPositioningItem(nullptr, NSMakePoint(5, 5), nullptr));
  EXPECT_FALSE(menu->popUpMenuPositioningItem(nullptr, NSMakePoint(5, 5), nullptr));  // nothing scripted
  EXPECT_EQ(receiver_->chosen, (std::vector<std::string>{"Save/1", "Init/7", "Init/7"}));
  EXPECT_EQ(responder_.log().front(), "menu Load|Save|Off|-|Factory>{Init}");
  EXPECT_EQ(responder_.pending(), 0u);
  // The submenu knows its place; a menu item belongs to one menu.
  NSMenuItem* init = menu->itemAtIndex(4)->submenu()->itemAtIndex(0);
  EXPECT_EQ(init->menu()->supermenu(), menu);
  EXPECT_EQ(init->menu()->indexOfItem(init), 0);
  NSMenu* other = static_cast<NSMenu*>(NSMenu::alloc()->init()->autorelease());
  other->addItem(init);
  EXPECT_EQ(other->numberOfItems(), 0);
}

TEST_F(ModalTest, WithoutAResponderMenusAreDismissedPanelsCancelledAlertsCancelled) {
  nsx::SetModalResponder(nullptr);
  EXPECT_FALSE(BuildMenu()->popUpMenuPositioningItem(nullptr, NSZeroPoint, nullptr));
  EXPECT_EQ(NSOpenPanel::openPanel()->runModal(), NSModalResponseCancel);
  EXPECT_EQ(NSRunAlertPanel(NSSTR("t"), NSSTR("m"), NSSTR("Yes"), NSSTR("Cancel"), NSSTR("No")), NSAlertAlternateReturn);
  EXPECT_EQ(NSRunAlertPanel(NSSTR("t"), NSSTR("m"), nullptr, nullptr, nullptr), NSAlertDefaultReturn);
  EXPECT_TRUE(receiver_->chosen.empty());
}

TEST_F(ModalTest, FilePanelsCheckTheAnswerAsThePanelWould) {
  TempFolder temp;
  temp.Write("a/b.txt", "x");
  temp.Write("a/c.wav", "x");
  const std::string dir = temp.Path() + "/a";
  // Open: an existing file of an allowed type.
  responder_.answerOpen(dir + "/b.txt");
  responder_.answerOpen(dir + "/c.wav");     // type not allowed
  responder_.answerOpen(dir + "/none.txt");  // missing
  responder_.answerSave(dir + "/b.txt");     // a save answer to an open panel
  responder_.answerOpen(dir);                // a folder
  responder_.answerOpen("/dev/null");        // a device
  responder_.answerOpen(dir + "/\xff.txt");  // not UTF-8
  for (int i = 0; i < 7; ++i) {
    NSOpenPanel* open = NSOpenPanel::openPanel();
    open->setCanChooseFiles(YES);
    open->setCanChooseDirectories(NO);
    const NSInteger r = open->runModalForDirectory(nsx::Str(dir), nullptr, NSArray::arrayWithObject(NSSTR("txt")));
    EXPECT_EQ(r, i == 0 ? NSFileHandlingPanelOKButton : NSFileHandlingPanelCancelButton) << i;
    if (i == 0) {
      EXPECT_EQ(open->filename()->utf8(), dir + "/b.txt");
    }
  }
  EXPECT_EQ(responder_.log().front(), "open " + dir + " [txt]");
  // Save: the folder must exist and the name not be a folder; the allowed extension is added.
  responder_.answerSave(dir + "/new");
  responder_.answerSave(temp.Path() + "/missing/new.txt");
  responder_.answerSave(dir);
  responder_.cancelPanel();
  NSSavePanel* save = NSSavePanel::savePanel();
  save->setAllowedFileTypes(NSArray::arrayWithObject(NSSTR("qvs")));
  EXPECT_EQ(save->runModalForDirectory(nsx::Str(dir), NSSTR("preset.qvs")), NSModalResponseOK);
  EXPECT_EQ(save->URL()->path()->utf8(), dir + "/new.qvs");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(save->runModal(), NSModalResponseCancel);
  EXPECT_EQ(responder_.log()[7], "save " + dir + " preset.qvs [qvs]");
  // The responder hears why each answer was not taken (a cancel or an answer of the other
  // kind is no answer to refuse).
  EXPECT_EQ(responder_.refused,
            (std::vector<std::string>{dir + "/c.wav: the panel opens only .txt files",
                                      dir + "/none.txt: there is no such file",
                                      dir + ": it is a folder, and the panel opens files",
                                      "/dev/null: it is a device, not a file",
                                      dir + "/\xff.txt: its name is not UTF-8 text",
                                      temp.Path() + "/missing/new.txt: There is no folder \"" + temp.Path() +
                                          "/missing\".",
                                      dir + ": it is a folder"}));
  // A folder chooser takes folders only.
  responder_.answerOpen(dir);
  NSOpenPanel* folders = NSOpenPanel::openPanel();
  folders->setCanChooseFiles(NO);
  folders->setCanChooseDirectories(YES);
  EXPECT_EQ(folders->runModal(), NSModalResponseOK);
  EXPECT_EQ(folders->URL()->path()->utf8(), dir);
}

TEST_F(ModalTest, AlertsReturnThePressedButtonAndShowTheirTextAsWritten) {
  responder_.pressAlertButtonTitled("No");
  responder_.pressAlertButton(0);
  responder_.pressAlertButton(9);  // no such button: as unattended
  EXPECT_EQ(NSRunAlertPanel(NSSTR("Title"), NSSTR("%@"), NSSTR("Yes"), NSSTR("Cancel"), NSSTR("No"), NSSTR("50%d")),
            NSAlertOtherReturn);
  EXPECT_EQ(NSRunAlertPanel(NSSTR("T"), NSSTR("%@"), NSSTR("OK"), NSSTR(""), nullptr, NSSTR("x")), NSAlertDefaultReturn);
  NSAlert* alert = static_cast<NSAlert*>(NSAlert::alloc()->init()->autorelease());
  alert->setMessageText(NSSTR("Quit?"));
  alert->addButtonWithTitle(NSSTR("Quit"));
  alert->addButtonWithTitle(NSSTR("Cancel"));
  EXPECT_EQ(alert->runModal(), NSAlertSecondButtonReturn);
  EXPECT_EQ(responder_.log()[0], "alert Title: 50%d [Yes|Cancel|No]");
  EXPECT_EQ(responder_.log()[1], "alert T: x [OK]");
}

TEST_F(ModalTest, TheColourPanelSendsEachPickToItsTargetWhileShown) {
  NSColorPanel* panel = NSColorPanel::sharedColorPanel();
  EXPECT_TRUE(NSColorPanel::sharedColorPanelExists());
  panel->setTarget(receiver_);
  panel->setAction(sel_registerName("onColor:"));
  panel->setShowsAlpha(YES);
  panel->setColor(NSColor::colorWithDeviceRed(0.5, 0, 0, 1));
  responder_.pickColor({1.0, 0, 0, 0.5});
  responder_.pickColor({0.2, 0, 0, 1});
  panel->orderFront(nil);
  EXPECT_EQ(receiver_->chosen, (std::vector<std::string>{"color 255", "color 51"}));
  EXPECT_EQ(responder_.log().back(), "color 0.500 0.000 0.000 1.000");
  panel->close();
  panel->pick({0, 0, 0, 1});  // closed: nothing is sent
  EXPECT_EQ(receiver_->chosen.size(), 2u);
  panel->setTarget(nil);
}

TEST_F(ModalTest, CursorsStandardPrivateAndFromImages) {
  EXPECT_EQ(NSCursor::IBeamCursor(), NSCursor::IBeamCursor());
  Class cls = NSCursor::class_();
  ASSERT_TRUE(cls->respondsToSelector(sel_registerName("_windowResizeNorthSouthCursor")));
  auto* ns = static_cast<NSCursor*>(cls->performSelector(sel_registerName("_windowResizeNorthSouthCursor")));
  EXPECT_EQ(ns->kind(), "resize-ns");
  NSCursor::_setHelpCursor(YES);
  EXPECT_NE(cls->performSelector(sel_registerName("helpCursorShown")), nil);
  cls->performSelector(sel_registerName("_setHelpCursor:"), nil);
  EXPECT_FALSE(NSCursor::helpCursorShown());
  ns->set();
  EXPECT_EQ(NSCursor::currentCursor(), ns);

  NSImage* image = static_cast<NSImage*>(NSImage::alloc()->initWithSize(NSMakeSize(16, 16))->autorelease());
  NSBitmapImageRep* rep = NSBitmapImageRep::alloc()->initWithBitmapDataPlanes(nullptr, 32, 32, 8, 4, YES, NO,
                                                                             NSDeviceRGBColorSpace, 0, 0);
  ASSERT_NE(rep, nullptr);
  image->addRepresentation(rep);
  rep->release();
  EXPECT_EQ(NSBitmapImageRep::alloc()->initWithBitmapDataPlanes(nullptr, 32, 32, 16, 4, YES, NO, nullptr, 0, 0), nullptr);
  NSCursor* custom = NSCursor::alloc()->initWithImage(image, NSMakePoint(8, 8));
  custom->set();
  EXPECT_EQ(NSCursor::currentCursor()->image()->bestBitmap()->pixelsWide(), 32);
  NSCursor::arrowCursor()->set();
  custom->release();
  NSImage* missing = static_cast<NSImage*>(NSImage::alloc()->initByReferencingFile(NSSTR("/no/cursor.pdf"))->autorelease());
  EXPECT_FALSE(missing->isValid());

  cgx::ResetCursorRecord();
  std::vector<int> hideCounts;
  cgx::SetCursorObserver([&](const cgx::CursorState& state) { hideCounts.push_back(state.hideCount); });
  NSCursor::hide();
  NSCursor::hide();
  NSCursor::unhide();
  EXPECT_EQ(cgx::Cursor().hideCount, 1);
  NSCursor::unhide();
  cgx::SetCursorObserver(nullptr);
  EXPECT_EQ(hideCounts, (std::vector<int>{1, 2, 1, 0}));
  cgx::ResetCursorRecord();
}

TEST_F(ModalTest, TheWorkspaceRecordsWhatItOpensAndReveals) {
  TempFolder temp;
  temp.Write("f.txt", "x");
  nsx::ClearOpenedURLs();
  NSWorkspace* ws = NSWorkspace::sharedWorkspace();
  EXPECT_TRUE(ws->openURL(NSURL::URLWithString(NSSTR("https://example.com/a?b"))));
  EXPECT_FALSE(ws->openURL(NSURL::URLWithString(NSSTR("no scheme"))));
  EXPECT_FALSE(ws->openFile(nsx::Str(temp.Path() + "/missing")));
  EXPECT_TRUE(ws->openFile(nsx::Str(temp.Path())));
  EXPECT_TRUE(ws->selectFile(nsx::Str(temp.Path() + "/f.txt"), nsx::Str(temp.Path())));
  EXPECT_FALSE(ws->selectFile(nsx::Str(temp.Path() + "/g.txt"), nullptr));
  const auto opened = nsx::OpenedURLs();
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[0], "https://example.com/a?b");
  EXPECT_EQ(opened[2], "reveal:" + temp.Path() + "/f.txt");
  nsx::ClearOpenedURLs();
}

TEST(SystemVersionTest, GestaltAndAppKitAnswerAsOneSystem) {
  SInt32 v = 0;
  EXPECT_EQ(Gestalt(gestaltSystemVersion, &v), noErr);
  EXPECT_EQ(v, 0x1097);
  EXPECT_EQ(Gestalt(gestaltSystemVersionMinor, &v), noErr);
  EXPECT_EQ(v, 15);
  EXPECT_EQ(Gestalt(0x61626364, &v), gestaltUndefSelectorErr);
  EXPECT_EQ(v, 15);
  EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), -50);
  EXPECT_GE(NSAppKitVersionNumber, NSAppKitVersionNumber10_14);
  EXPECT_TRUE(NSApplicationLoad());
}

}  // namespace
