// The macOS editor object's modal prompts (message boxes, file and folder panels, the colour
// panel), native menus and text fields, and what it asks of the system: opening URLs,
// revealing files and the clipboard.

#include "graphics/mac/IGfxMac.h"

#include <AppKit/AppKit.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "graphics/mac/IGfxView.h"

namespace fx::gfx {

namespace {

// Text as a string: UTF-8, else ASCII (a null text counts as "").
NSString* TextOf(const char* text)
{
  if (!text) text = "";
  NSString* s = NSString::stringWithUTF8String(text);
  return s ? s : NSString::stringWithCString(text, NSASCIIStringEncoding);
}

NSString* TextOrNil(const FxString& text) { return text.Empty() ? nullptr : TextOf(text.Get()); }

// The folder of a chosen path, ending in one "/".
std::string FolderOf(NSString* path)
{
  std::string folder = path->stringByDeletingLastPathComponent()->utf8();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

} // namespace

EMessageBoxResult IGfxMac::ShowMessageBox(const char* str, const char* caption, EMessageBoxButtons buttons,
                                          IMsgBoxCompletionHandlerFunc completionHandler)
{
  ReleaseMouseCapture();
  EMessageBoxResult result = kCANCEL;
  {
    nsx::AutoreleasePool pool;
    NSString* message = TextOf(str);
    NSString* title = TextOf(caption);
    // The text is an argument of "%@": per-cent signs in it are shown as they are.
    const auto run = [&](const char* a, const char* b, const char* c) {
      return NSRunAlertPanel(title, NSSTR("%@"), TextOf(a), TextOf(b), TextOf(c), message);
    };
    switch (buttons)
    {
      case kMB_OK:
        run("OK", "", "");
        result = kOK;
        break;
      case kMB_OKCANCEL: result = run("OK", "Cancel", "") == NSAlertAlternateReturn ? kCANCEL : kOK; break;
      case kMB_YESNOCANCEL:
      {
        const NSInteger answer = run("Yes", "Cancel", "No");
        result = answer == NSAlertDefaultReturn ? kYES : answer == NSAlertOtherReturn ? kNO : kCANCEL;
        break;
      }
      case kMB_YESNO: result = run("Yes", "No", "") == NSAlertAlternateReturn ? kNO : kYES; break;
      case kMB_RETRYCANCEL: result = run("Retry", "Cancel", "") == NSAlertAlternateReturn ? kCANCEL : kRETRY; break;
      default: break; // no panel of this kind here
    }
  }
  if (completionHandler) completionHandler(result);
  return result;
}

void IGfxMac::PromptForFile(FxString& fileName, FxString& path, EFilePromptAction action, const char* ext)
{
  if (!mView)
  {
    fileName.Set("");
    return;
  }
  nsx::AutoreleasePool pool;
  NSString* defaultName = TextOrNil(fileName);
  NSString* defaultFolder = TextOrNil(path);
  fileName.Set("");

  NSArray* types = nullptr;
  if (ext && *ext)
  {
    std::vector<id> parts;
    for (id part : TextOf(ext)->componentsSeparatedByString(NSSTR(" "))->items())
      if (static_cast<NSString*>(part)->length() > 0) parts.push_back(part);
    types = NSArray::arrayWithVector(parts);
  }

  NSSavePanel* panel = nullptr;
  NSInteger answer = NSModalResponseCancel;
  if (action == kFileSave)
  {
    panel = NSSavePanel::savePanel();
    panel->setAllowedFileTypes(types);
    panel->setAllowsOtherFileTypes(NO);
    panel->setFloatingPanel(YES);
    answer = panel->runModalForDirectory(defaultFolder, defaultName);
  }
  else
  {
    NSOpenPanel* open = NSOpenPanel::openPanel();
    open->setCanChooseFiles(YES);
    open->setCanChooseDirectories(NO);
    open->setResolvesAliases(YES);
    open->setFloatingPanel(YES);
    answer = open->runModalForDirectory(defaultFolder, defaultName, types);
    panel = open;
  }
  NSString* chosen = answer == NSModalResponseOK ? panel->filename() : nullptr;
  if (!chosen) return;
  fileName.Set(chosen->UTF8String());
  path.Set(FolderOf(chosen).c_str());
}

bool IGfxMac::MaySaveFile(const char* path, FxString& why)
{
  const std::string refusal = nsx::CheckSave(path ? path : "");
  why.Set(refusal.c_str());
  return refusal.empty();
}

void IGfxMac::PromptForDirectory(FxString& dir)
{
  nsx::AutoreleasePool pool;
  if (dir.Empty()) dir.Set("~/Desktop");
  NSOpenPanel* panel = NSOpenPanel::openPanel();
  panel->setTitle(NSSTR("Choose a Directory"));
  panel->setCanChooseFiles(NO);
  panel->setCanChooseDirectories(YES);
  panel->setResolvesAliases(YES);
  panel->setCanCreateDirectories(YES);
  // "~" names the home folder, not a folder of that name here.
  panel->setDirectoryURL(NSURL::fileURLWithPath(TextOf(dir.Get())->stringByExpandingTildeInPath()));
  NSString* chosen = panel->runModal() == NSModalResponseOK ? panel->filename() : nullptr;
  if (!chosen)
  {
    dir.Set("");
    return;
  }
  std::string folder = chosen->utf8();
  if (folder.empty() || folder.back() != '/') folder += '/';
  dir.Set(folder.c_str());
}

bool IGfxMac::PromptForColor(IColor& color, const char* /*prompt*/, IColorPickerHandlerFunc func)
{
  if (!mView) return false;
  return mView->promptForColor(color, std::move(func));
}

void IGfxMac::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                      const char* str)
{
  if (mView) mView->createTextEntry(paramIdx, text, str, length, ScaledViewRect(bounds, GetDrawScale()));
}

IPopupMenu* IGfxMac::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& /*isAsync*/)
{
  if (!mView) return nullptr;
  // Modal: the choice is known when the menu has closed.
  IPopupMenu* chosen = mView->createPopupMenu(menu, ScaledViewRect(bounds, GetDrawScale()));
  if (chosen) chosen->ExecFunction();
  return chosen;
}

void IGfxMac::EndPlatformUserInput()
{
  if (mView) mView->endUserInput();
}

// ---------------------------------------------------------------------------------- System

bool IGfxMac::OpenURL(const char* url, const char*, const char*, const char*)
{
  if (!url || !*url) return false;
  nsx::AutoreleasePool pool;
  NSString* text = TextOf(url);
  // A web address starts with its scheme; anything else (a path that merely contains "http"
  // too) is a file, as is a web address that does not parse.
  NSURL* target = nullptr;
  if (StartsWith(url, "http://") || StartsWith(url, "https://")) target = NSURL::URLWithString(text);
  if (!target) target = NSURL::fileURLWithPath(text);
  return target && NSWorkspace::sharedWorkspace()->openURL(target);
}

bool IGfxMac::RevealPath(const char* path, bool select)
{
  nsx::AutoreleasePool pool;
  struct stat info;
  if (!path || !*path || ::stat(path, &info) != 0) return false;
  NSWorkspace* workspace = NSWorkspace::sharedWorkspace();
  NSString* item = TextOf(path);
  if (!select) return workspace->openFile(item);
  NSString* folder = item->stringByDeletingLastPathComponent();
  if (!workspace->openFile(folder)) return false;
  return workspace->selectFile(item, folder);
}

bool IGfxMac::GetTextFromClipboard(FxString& str)
{
  NSString* text = NSPasteboard::generalPasteboard()->stringForType(NSStringPboardType);
  str.Set(text ? text->UTF8String() : "");
  return text != nullptr;
}

bool IGfxMac::SetTextInClipboard(const char* str)
{
  nsx::AutoreleasePool pool;
  NSPasteboard* pasteboard = NSPasteboard::generalPasteboard();
  pasteboard->clearContents();
  return pasteboard->setString(TextOf(str), NSStringPboardType);
}

} // namespace fx::gfx
