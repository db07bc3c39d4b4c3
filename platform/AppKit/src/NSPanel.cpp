#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include <AppKit/NSPanel.h>
#include <CoreFoundation/CFUnicode.h>

NS_IMPLEMENT_CLASS(NSSavePanel)
NS_IMPLEMENT_CLASS(NSOpenPanel)
NS_IMPLEMENT_CLASS(NSAlert)
NS_IMPLEMENT_CLASS(NSColorPanel)

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Extension(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? std::string() : Lower(name.substr(dot + 1));
}

bool TypeAllowed(const std::string& path, const std::vector<std::string>& types) {
  if (types.empty()) return true;
  const std::string ext = Extension(path);
  for (const auto& t : types)
    if (Lower(t) == ext) return true;
  return false;
}

// ".a, .b or .c"
std::string TypeList(const std::vector<std::string>& types) {
  std::string out;
  for (size_t i = 0; i < types.size(); ++i)
    out += (i == 0 ? "" : i + 1 == types.size() ? " or " : ", ") + ("." + types[i]);
  return out;
}

bool IsUtf8(const std::string& text) {
  std::u16string units;
  return cfx::Utf8ToUtf16(text.data(), text.size(), units);
}

// Why the path cannot be looked at (stat's errno), in the panel's words.
std::string Unreachable(int error) {
  if (error == ENOENT) return "there is no such file";
  if (error == ELOOP) return "its symbolic links go round in a loop";
  if (error == ENOTDIR) return "a part of it that should be a folder is a file";
  return std::strerror(error);
}

// What a path that is neither a file nor a folder is.
std::string NotAFile(mode_t mode) {
  if (S_ISFIFO(mode)) return "it is a pipe, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a file";
  return "it is not a file";
}

// An absolute path without "." and ".." parts.
std::string Absolute(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

// What every panel asks of its answer: a name, in UTF-8 (made absolute).
bool AcceptName(nsx::FilePanelAnswer& answer, std::string& why) {
  if (answer.path.empty()) why = "it names no file";
  else if (!IsUtf8(answer.path)) why = "its name is not UTF-8 text";
  else answer.path = Absolute(answer.path);
  return why.empty();
}

nsx::Color ColorOf(NSColor* c) {
  nsx::Color out;
  if (c != nullptr) c->getRed(&out.red, &out.green, &out.blue, &out.alpha);
  return out;
}

}  // namespace

NSSavePanel* NSSavePanel::savePanel() { return static_cast<NSSavePanel*>(alloc()->init()->autorelease()); }

void NSSavePanel::setTitle(NSString* title) { nsx::SetRetained(title_, title); }
void NSSavePanel::setMessage(NSString* message) { nsx::SetRetained(message_, message); }
void NSSavePanel::setAllowedFileTypes(NSArray* types) { nsx::SetRetained(allowedTypes_, types); }
void NSSavePanel::setDirectoryURL(NSURL* url) { nsx::SetRetained(directory_, url); }
void NSSavePanel::setNameFieldStringValue(NSString* name) { nsx::SetRetained(name_, name); }

NSString* NSSavePanel::filename() const { return url_ != nullptr ? url_->path() : nullptr; }

void NSSavePanel::dealloc() {
  nsx::SetRetained<NSString>(title_, nullptr);
  nsx::SetRetained<NSString>(message_, nullptr);
  nsx::SetRetained<NSArray>(allowedTypes_, nullptr);
  nsx::SetRetained<NSURL>(directory_, nullptr);
  nsx::SetRetained<NSString>(name_, nullptr);
  nsx::SetRetained<NSURL>(url_, nullptr);
  NSObject::dealloc();
}

nsx::FilePanelRequest NSSavePanel::request() const {
  nsx::FilePanelRequest r;
  r.save = save_;
  r.title = title_ != nullptr ? title_->utf8() : std::string();
  NSString* dir = directory_ != nullptr ? directory_->path() : nullptr;
  r.directory = dir != nullptr ? dir->utf8() : std::string();
  r.fileName = name_ != nullptr ? name_->utf8() : std::string();
  if (allowedTypes_ != nullptr)
    for (id t : allowedTypes_->items())
      if (t->isKindOfClass(NSString::class_())) r.allowedTypes.push_back(static_cast<NSString*>(t)->utf8());
  r.allowsOtherFileTypes = allowsOther_;
  r.canChooseFiles = canChooseFiles_;
  r.canChooseDirectories = canChooseDirectories_;
  r.canCreateDirectories = canCreateDirectories_;
  return r;
}

bool NSSavePanel::accept(nsx::FilePanelAnswer& answer, std::string& why) const {
  if (!IsUtf8(answer.path)) {
    why = "its name is not UTF-8 text";
    return false;
  }
  const nsx::FilePanelRequest r = request();
  const nsx::SavePath resolved = nsx::ResolveSaveAnswer(r, r.directory, answer.path);
  why = resolved.folder ? "it is a folder" : resolved.problem;
  if (!why.empty()) return false;
  answer.path = resolved.path;
  return true;
}

void NSSavePanel::setChosen(const std::string& path) {
  NSURL* url = NSURL::fileURLWithPath(nsx::Str(path));
  nsx::SetRetained(url_, url);
}

NSModalResponse NSSavePanel::runModal() {
  retain();
  nsx::ModalResponder& responder = nsx::ActiveModalResponder();
  const nsx::FilePanelRequest asked = request();
  nsx::FilePanelAnswer answer = responder.runFilePanel(asked);
  std::string why;
  const bool ok = answer.ok && accept(answer, why);
  if (ok) setChosen(answer.path);
  else if (answer.ok) responder.filePanelRefused(asked, answer, why);
  release();
  return ok ? NSModalResponseOK : NSModalResponseCancel;
}

NSInteger NSSavePanel::runModalForDirectory(NSString* path, NSString* name) {
  if (path != nullptr) setDirectoryURL(NSURL::fileURLWithPath(path, YES));
  if (name != nullptr) setNameFieldStringValue(name);
  return runModal();
}

NSOpenPanel::NSOpenPanel() {
  save_ = false;
  canCreateDirectories_ = false;
}

NSOpenPanel* NSOpenPanel::openPanel() { return static_cast<NSOpenPanel*>(alloc()->init()->autorelease()); }

bool NSOpenPanel::accept(nsx::FilePanelAnswer& answer, std::string& why) const {
  if (!AcceptName(answer, why)) return false;
  struct stat st {};
  if (stat(answer.path.c_str(), &st) != 0) why = Unreachable(errno);
  else if (S_ISDIR(st.st_mode) && !canChooseDirectories_) why = "it is a folder, and the panel opens files";
  else if (!S_ISDIR(st.st_mode) && !canChooseFiles_) why = "it is not a folder, and the panel chooses folders";
  else if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) why = NotAFile(st.st_mode);
  else if (S_ISREG(st.st_mode) && !allowsOther_ && !TypeAllowed(answer.path, request().allowedTypes))
    why = "the panel opens only " + TypeList(request().allowedTypes) + " files";
  return why.empty();
}

NSModalResponse NSOpenPanel::runModal() { return NSSavePanel::runModal(); }

NSInteger NSOpenPanel::runModalForDirectory(NSString* path, NSString* name, NSArray* fileTypes) {
  setAllowedFileTypes(fileTypes);
  return NSSavePanel::runModalForDirectory(path, name);
}

NSArray* NSOpenPanel::URLs() const { return url_ != nullptr ? NSArray::arrayWithObject(url_) : NSArray::array(); }

NSArray* NSOpenPanel::filenames() const {
  NSString* p = filename();
  return p != nullptr ? NSArray::arrayWithObject(p) : NSArray::array();
}

NSInteger NSRunAlertPanel(NSString* title, NSString* message, NSString* defaultButton, NSString* alternateButton,
                          NSString* otherButton, ...) {
  va_list args;
  va_start(args, otherButton);
  const std::string text = message != nullptr ? nsx::FormatText(message->UTF8String(), args) : std::string();
  va_end(args);
  nsx::AlertRequest r;
  r.title = title != nullptr ? title->utf8() : std::string();
  r.message = text;
  std::vector<NSInteger> results;
  r.buttons.push_back(defaultButton != nullptr ? defaultButton->utf8() : std::string("OK"));
  results.push_back(NSAlertDefaultReturn);
  if (alternateButton != nullptr && !alternateButton->utf8().empty()) {
    r.buttons.push_back(alternateButton->utf8());
    results.push_back(NSAlertAlternateReturn);
  }
  if (otherButton != nullptr && !otherButton->utf8().empty()) {
    r.buttons.push_back(otherButton->utf8());
    results.push_back(NSAlertOtherReturn);
  }
  const int pressed = nsx::ActiveModalResponder().runAlert(r);
  return pressed >= 0 && pressed < static_cast<int>(results.size()) ? results[static_cast<size_t>(pressed)]
                                                                    : NSAlertErrorReturn;
}

void NSAlert::setMessageText(NSString* text) { nsx::SetRetained(message_, text); }
void NSAlert::setInformativeText(NSString* text) { nsx::SetRetained(informative_, text); }
void NSAlert::addButtonWithTitle(NSString* title) { buttons_.push_back(title != nullptr ? title->utf8() : std::string()); }

NSModalResponse NSAlert::runModal() {
  nsx::AlertRequest r;
  r.title = message_ != nullptr ? message_->utf8() : std::string();
  r.message = informative_ != nullptr ? informative_->utf8() : std::string();
  r.buttons = buttons_.empty() ? std::vector<std::string>{"OK"} : buttons_;
  const int pressed = nsx::ActiveModalResponder().runAlert(r);
  return NSAlertFirstButtonReturn + std::clamp(pressed, 0, static_cast<int>(r.buttons.size()) - 1);
}

void NSAlert::dealloc() {
  nsx::SetRetained<NSString>(message_, nullptr);
  nsx::SetRetained<NSString>(informative_, nullptr);
  NSObject::dealloc();
}

namespace {
NSColorPanel* g_colorPanel = nullptr;
}  // namespace

NSColorPanel* NSColorPanel::sharedColorPanel() {
  if (g_colorPanel == nullptr) g_colorPanel = allocShared<NSColorPanel>();
  return g_colorPanel;
}

BOOL NSColorPanel::sharedColorPanelExists() { return g_colorPanel != nullptr; }

void NSColorPanel::setColor(NSColor* color) {
  if (color != nullptr) color_ = ColorOf(color);
}

NSColor* NSColorPanel::color() const {
  return NSColor::colorWithDeviceRed(color_.red, color_.green, color_.blue, color_.alpha);
}

void NSColorPanel::orderFront(id) {
  visible_ = true;
  for (const nsx::Color& c : nsx::ActiveModalResponder().colorPanelShown(color_)) {
    if (!visible_) break;
    pick(c);
  }
}

void NSColorPanel::close() { visible_ = false; }

void NSColorPanel::pick(const nsx::Color& color) {
  if (!visible_) return;
  setColor(NSColor::colorWithDeviceRed(color.red, color.green, color.blue, showsAlpha_ ? color.alpha : 1.0));
  if (target_ != nullptr && action_ != nullptr) target_->performSelector(action_, this);
}
