#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include <AppKit/NSPanel.h>

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

// An absolute path without "." and ".." parts.
std::string Absolute(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
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

bool NSSavePanel::accept(nsx::FilePanelAnswer& answer) const {
  const nsx::FilePanelRequest r = request();
  const nsx::SavePath resolved = nsx::ResolveSavePath(r.directory, answer.path);
  if (resolved.folder || !resolved.problem.empty()) return false;
  answer.path = resolved.path;
  if (!r.allowedTypes.empty() && !TypeAllowed(answer.path, r.allowedTypes) && !r.allowsOtherFileTypes)
    answer.path += "." + r.allowedTypes.front();
  return true;
}

void NSSavePanel::setChosen(const std::string& path) {
  NSURL* url = NSURL::fileURLWithPath(nsx::Str(path));
  nsx::SetRetained(url_, url);
}

NSModalResponse NSSavePanel::runModal() {
  retain();
  nsx::FilePanelAnswer answer = nsx::ActiveModalResponder().runFilePanel(request());
  const bool ok = answer.ok && accept(answer);
  if (ok) setChosen(answer.path);
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

bool NSOpenPanel::accept(nsx::FilePanelAnswer& answer) const {
  if (answer.path.empty()) return false;
  answer.path = Absolute(answer.path);
  std::error_code ec;
  const auto status = std::filesystem::status(answer.path, ec);
  if (ec) return false;
  if (std::filesystem::is_directory(status)) return canChooseDirectories_;
  if (!std::filesystem::exists(status) || !canChooseFiles_) return false;
  const nsx::FilePanelRequest r = request();
  return r.allowsOtherFileTypes || TypeAllowed(answer.path, r.allowedTypes);
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
