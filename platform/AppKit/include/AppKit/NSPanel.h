// File panels, alerts and the colour panel. Running a panel or an alert
// asks the active modal responder (NSModalResponder.h). Main thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <AppKit/NSApplication.h>
#include <AppKit/NSColor.h>
#include <AppKit/NSModalResponder.h>

enum : NSInteger { NSFileHandlingPanelCancelButton = 0, NSFileHandlingPanelOKButton = 1 };

namespace nsx {

// A name typed into a save panel that shows folder, taken as desktop panels
// take it: a name with "/" is a path, absolute, relative to folder, or from
// the home folder with "~" (folder "": the current one).
struct SavePath {
  std::string path;     // absolute, without "." and ".." parts
  bool folder = false;  // it names an existing folder: the panel goes there
  std::string problem;  // why no file can be saved there ("" when one can)
};
SavePath ResolveSavePath(const std::string& folder, const std::string& typed);

// A check of the file every save panel's answer names (absolute, its
// extension added), made before the panel takes it: why no file may be
// saved there, as a sentence the panel shows ("" when one may). A program
// sets one to keep the panels off files it must not replace; null removes it.
using SaveCheck = std::function<std::string(const std::string& path)>;
void SetSaveCheck(SaveCheck check);

// A name typed into the save panel of request that shows folder, as the
// panel takes it: resolved (ResolveSavePath), given the first allowed
// extension when it has none of them (unless other types are allowed), and
// refused when the name with that extension is longer than a file name may
// be, when it names a folder, a device or a pipe, or when the check refuses
// it. folder is set only when the name as typed is a folder.
SavePath ResolveSaveAnswer(const FilePanelRequest& request, const std::string& folder, const std::string& typed);

// For a file a program saves at a place it names itself, with no panel (a
// default file in its folder): why it may not be saved at path (absolute),
// by the same refusals as a save panel's answer (a folder, a device, a
// pipe, the installed check), as a sentence; "" when it may. A refusal is
// also told to the active modal responder (ModalResponder::saveRefused).
std::string CheckSave(const std::string& path);

}  // namespace nsx

class NSSavePanel : public NSObject {
  NS_CLASS(NSSavePanel, NSObject)
 public:
  static NSSavePanel* savePanel();  // autoreleased
  void setTitle(NSString* title);
  NSString* title() const { return title_; }
  void setMessage(NSString* message);
  // File extensions the chosen file may have (nil: any).
  void setAllowedFileTypes(NSArray* types);
  NSArray* allowedFileTypes() const { return allowedTypes_; }
  void setAllowsOtherFileTypes(BOOL flag) { allowsOther_ = flag; }
  void setFloatingPanel(BOOL flag) { floating_ = flag; }
  BOOL isFloatingPanel() const { return floating_; }
  void setCanCreateDirectories(BOOL flag) { canCreateDirectories_ = flag; }
  void setDirectoryURL(NSURL* url);
  NSURL* directoryURL() const { return directory_; }
  void setNameFieldStringValue(NSString* name);
  NSString* nameFieldStringValue() const { return name_; }

  // NSModalResponseOK or NSModalResponseCancel. A save answer is taken as
  // the panel's name field takes it (nsx::ResolveSaveAnswer); one that is
  // not UTF-8 or that the panel cannot use (a folder, a folder that does not
  // exist, a name too long with its extension, a device, a pipe, a file the
  // save check refuses) counts as
  // cancelled, and the responder is told why.
  virtual NSModalResponse runModal();
  // Starting in path (nil: the current folder) with name proposed.
  NSInteger runModalForDirectory(NSString* path, NSString* name);
  NSURL* URL() const { return url_; }  // the chosen file, nil before
  NSString* filename() const;          // its path
  void dealloc() override;

 protected:
  NSSavePanel() = default;
  nsx::FilePanelRequest request() const;
  // Makes the answer's path absolute and completes it; false with why the
  // panel does not take it.
  virtual bool accept(nsx::FilePanelAnswer& answer, std::string& why) const;
  void setChosen(const std::string& path);

  NSString* title_ = nullptr;
  NSString* message_ = nullptr;
  NSArray* allowedTypes_ = nullptr;
  bool allowsOther_ = false;
  bool floating_ = false;
  bool canCreateDirectories_ = true;
  bool save_ = true;
  bool canChooseFiles_ = true, canChooseDirectories_ = false;
  NSURL* directory_ = nullptr;
  NSString* name_ = nullptr;
  NSURL* url_ = nullptr;
};

class NSOpenPanel : public NSSavePanel {
  NS_CLASS(NSOpenPanel, NSSavePanel)
 public:
  static NSOpenPanel* openPanel();  // autoreleased
  void setCanChooseFiles(BOOL flag) { canChooseFiles_ = flag; }
  void setCanChooseDirectories(BOOL flag) { canChooseDirectories_ = flag; }
  void setResolvesAliases(BOOL flag) { resolvesAliases_ = flag; }
  void setAllowsMultipleSelection(BOOL flag) { multiple_ = flag; }
  // The answer must be UTF-8 and exist: a file, not a device or a pipe
  // (when files may be chosen, with an allowed extension unless other types
  // are allowed), or a folder (when folders may be chosen); otherwise it
  // counts as cancelled and the responder is told why.
  NSModalResponse runModal() override;
  NSInteger runModalForDirectory(NSString* path, NSString* name, NSArray* fileTypes);
  NSArray* URLs() const;       // autoreleased
  NSArray* filenames() const;  // autoreleased

 protected:
  NSOpenPanel();
  bool accept(nsx::FilePanelAnswer& answer, std::string& why) const override;

 private:
  bool resolvesAliases_ = true;
  bool multiple_ = false;
};

// The alert panel: returns NSAlertDefaultReturn (1), NSAlertAlternateReturn
// (0) or NSAlertOtherReturn (-1). A nil default button is "OK"; a nil or
// empty alternate or other button is left out. message is a format (%@ and
// printf conversions) with its arguments.
enum : NSInteger { NSAlertDefaultReturn = 1, NSAlertAlternateReturn = 0, NSAlertOtherReturn = -1, NSAlertErrorReturn = -2 };
NSInteger NSRunAlertPanel(NSString* title, NSString* message, NSString* defaultButton, NSString* alternateButton,
                          NSString* otherButton, ...);

enum : NSInteger { NSAlertFirstButtonReturn = 1000, NSAlertSecondButtonReturn = 1001, NSAlertThirdButtonReturn = 1002 };

class NSAlert : public NSObject {
  NS_CLASS(NSAlert, NSObject)
 public:
  void setMessageText(NSString* text);
  void setInformativeText(NSString* text);
  void addButtonWithTitle(NSString* title);
  // NSAlertFirstButtonReturn + the pressed button's index; an alert with no
  // button has an "OK" button.
  NSModalResponse runModal();
  void dealloc() override;

 protected:
  NSAlert() = default;

 private:
  NSString* message_ = nullptr;
  NSString* informative_ = nullptr;
  std::vector<std::string> buttons_;
};

// The shared colour panel. It is not modal: while it is shown, every colour
// the person (or the responder) picks becomes its colour and its action is
// sent to its target (not retained) with the panel as sender.
class NSColorPanel : public NSObject {
  NS_CLASS(NSColorPanel, NSObject)
 public:
  static NSColorPanel* sharedColorPanel();  // made on first use, shared
  static BOOL sharedColorPanelExists();
  void setTarget(id target) { target_ = target; }
  id target() const { return target_; }
  void setAction(SEL action) { action_ = action; }
  SEL action() const { return action_; }
  void setShowsAlpha(BOOL flag) { showsAlpha_ = flag; }
  BOOL showsAlpha() const { return showsAlpha_; }
  void setColor(NSColor* color);  // sends no action
  NSColor* color() const;         // autoreleased
  void orderFront(id sender);
  void close();
  BOOL isVisible() const { return visible_; }
  // A colour picked in the panel (while it is shown): set and sent.
  void pick(const nsx::Color& color);

 protected:
  NSColorPanel() = default;

 private:
  id target_ = nil;
  SEL action_ = nullptr;
  bool showsAlpha_ = false;
  nsx::Color color_{1, 1, 1, 1};  // components, so the shared panel holds no object
  bool visible_ = false;
};
