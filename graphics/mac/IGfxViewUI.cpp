// The editor view's platform interface: native menus, the text field for a value, the colour
// panel, tooltips and dropped files.

#include "graphics/mac/IGfxView.h"

#include "core/IGEditorDelegate.h"
#include "core/IParam.h"
#include "graphics/mac/FontDescriptorCache.h"
#include "graphics/mac/IGfxMac.h"
#include "graphics/mac/IGfxMenu.h"
#include "graphics/mac/IGfxTextField.h"

namespace fx::gfx {

namespace {

NSColor* DeviceColor(const IColor& c)
{
  return NSColor::colorWithDeviceRed(c.R / 255.0, c.G / 255.0, c.B / 255.0, c.A / 255.0);
}

// The characters a parameter's value can be typed with ("": none).
const char* CharactersFor(const IParam& param)
{
  switch (param.Type())
  {
    case kTypeBool:
    case kTypeInt:
    case kTypeEnum: return "0123456789-+";
    case kTypeDouble: return "0123456789.-+kK";
    default: return "";
  }
}

NSString* TextOrEmpty(const char* text)
{
  NSString* s = text ? NSString::stringWithUTF8String(text) : nullptr;
  return s ? s : NSString::string();
}

} // namespace

// ---------------------------------------------------------------------------------- Menus

IPopupMenu* IGfxView_vORBEX9_au::createPopupMenu(IPopupMenu& menu, NSRect bounds)
{
  nsx::AutoreleasePool pool;
  IGfxMenuRcvr_vORBEX9_au* receiver = IGfxMenuRcvr_vORBEX9_au::alloc();
  receiver->initWithFrame(bounds);
  IGfxMenu_vORBEX9_au* nsMenu = IGfxMenu_vORBEX9_au::alloc()->initWithIPopupMenuAndReceiver(menu, receiver);
  // Runs modally, 4 points below the rectangle.
  nsMenu->popUpMenuPositioningItem(nullptr, NSMakePoint(bounds.origin.x, bounds.origin.y + bounds.size.height + 4.0),
                                   this);
  IPopupMenu* chosen = nullptr;
  if (NSMenuItem* item = receiver->menuItem())
  {
    NSMenu* owner = item->menu();
    if (owner && owner->isKindOfClass(IGfxMenu_vORBEX9_au::class_()))
    {
      auto* gfxMenu = static_cast<IGfxMenu_vORBEX9_au*>(owner);
      const NSInteger index = gfxMenu->indexOfItem(item);
      if (gfxMenu->iPopupMenu() && index >= 0)
      {
        chosen = gfxMenu->iPopupMenu();
        chosen->SetChosenItemIdx(static_cast<int>(index));
      }
    }
  }
  nsMenu->release();
  receiver->release();
  return chosen;
}

// ---------------------------------------------------------------------------------- Text field

void IGfxView_vORBEX9_au::createTextEntry(int paramIdx, const IText& text, const char* str, int length,
                                          NSRect areaRect)
{
  if (mTextFieldView || !mGraphics) return;
  nsx::AutoreleasePool pool;
  IGfxTextField_vORBEX9_au* field = IGfxTextField_vORBEX9_au::alloc();
  field->initWithFrame(areaRect);
  if (text.mVAlign == kVAlignMiddle)
  {
    IGfxTextFieldCell_vORBEX9_au* cell = IGfxTextFieldCell_vORBEX9_au::alloc();
    cell->initTextCell(NSSTR("textfield"));
    cell->setEditable(YES);
    cell->setDrawsBackground(YES);
    field->setCell(cell);
    cell->release();
  }

  // The editor's own font when it was loaded (every loaded font is cached), else the system's.
  const float size = text.mSize * mGraphics->GetDrawScale();
  NSFont* font = nullptr;
  if (const FontDescriptorCacheEntry* entry = FindCachedFontDescriptor(text.mFont, GetFontDescriptorCache()))
    font = NSFont::fontWithDescriptor(entry->descriptor, size * entry->emRatio);
  if (!font) font = NSFont::systemFontOfSize(size);
  if (font) field->setFont(font);

  switch (text.mAlign)
  {
    case kAlignCenter: field->setAlignment(NSTextAlignmentCenter); break;
    case kAlignFar: field->setAlignment(NSTextAlignmentRight); break;
    default: field->setAlignment(NSTextAlignmentLeft); break;
  }

  if (paramIdx >= 0)
  {
    if (const IParam* param = mGraphics->GetDelegate()->GetParam(paramIdx))
    {
      IGfxFormatter_vORBEX9_au* formatter = IGfxFormatter_vORBEX9_au::alloc();
      formatter->init();
      formatter->setAcceptableCharacterSet(NSCharacterSet::characterSetWithCharactersInString(TextOrEmpty(CharactersFor(*param))));
      formatter->setMaximumLength(length);
      field->setFormatter(formatter);
      formatter->release();
    }
  }

  NSCell* cell = field->cell();
  cell->setLineBreakMode(NSLineBreakByTruncatingTail);
  cell->setAllowsEditingTextAttributes(NO);
  field->setTextColor(DeviceColor(text.mTextEntryFGColor));
  field->setBackgroundColor(DeviceColor(text.mTextEntryBGColor));
  field->setStringValue(TextOrEmpty(str));
  field->setBordered(NO);
  field->setFocusRingType(NSFocusRingTypeNone);
  field->setDelegate(this);

  addSubview(field);
  mTextFieldView = field;
  field->release(); // the view holds it now
  if (NSWindow* w = window())
  {
    w->makeKeyAndOrderFront(nullptr);
    w->makeFirstResponder(field);
  }
}

void IGfxView_vORBEX9_au::controlTextDidEndEditing(NSNotification*)
{
  IGfxTextField_vORBEX9_au* field = mTextFieldView;
  if (field && mGraphics)
  {
    field->retain();
    const std::string text = field->stringValue() ? field->stringValue()->utf8() : std::string();
    mGraphics->SetControlValueAfterTextEdit(text.c_str());
    if (mGraphics) mGraphics->SetAllControlsDirty();
    field->release();
  }
  endUserInput();
}

void IGfxView_vORBEX9_au::endUserInput()
{
  IGfxTextField_vORBEX9_au* field = mTextFieldView;
  if (!field) return;
  mTextFieldView = nullptr;
  // Without a delegate nothing is committed when the field goes.
  field->setDelegate(nullptr);
  field->removeFromSuperview();
  if (NSWindow* w = window()) w->makeFirstResponder(this);
}

// ---------------------------------------------------------------------------------- Colour panel

BOOL IGfxView_vORBEX9_au::promptForColor(const IColor& color, ColorPickerFunc func)
{
  NSColorPanel* panel = NSColorPanel::sharedColorPanel();
  if (!panel) return NO;
  mColorPickerFunc = std::move(func);
  panel->setTarget(this);
  panel->setShowsAlpha(YES);
  panel->setAction(sel_registerName("onColorPicked:"));
  panel->setColor(DeviceColor(color));
  panel->orderFront(nullptr);
  return YES;
}

void IGfxView_vORBEX9_au::onColorPicked(NSColorPanel* panel)
{
  // No editor or no one waiting for the colour: the pick goes nowhere.
  if (!mGraphics || !mColorPickerFunc || !panel) return;
  NSColor* c = panel->color();
  const auto component = [](CGFloat v) { return static_cast<int>(v * 255.0); };
  mColorPickerFunc(IColor(component(c->alphaComponent()), component(c->redComponent()),
                          component(c->greenComponent()), component(c->blueComponent())));
}

// ---------------------------------------------------------------------------------- Tooltips

void IGfxView_vORBEX9_au::registerToolTip(const IRECT& bounds)
{
  if (!mGraphics) return;
  addToolTipRect(ScaledViewRect(bounds, mGraphics->GetDrawScale()), this, nullptr);
}

NSString* IGfxView_vORBEX9_au::stringForToolTip(NSView*, NSToolTipTag, NSPoint, void*)
{
  const IControl* control = mGraphics ? mGraphics->GetControl(mGraphics->GetMouseOverIdx()) : nullptr;
  return TextOrEmpty(control ? control->GetTooltip() : "");
}

// ---------------------------------------------------------------------------------- Drag and drop

NSDragOperation IGfxView_vORBEX9_au::draggingEntered(NSDraggingInfo* sender)
{
  NSArray* types = sender ? sender->draggingPasteboard()->types() : nullptr;
  return types && types->containsObject(NSFilenamesPboardType) ? NSDragOperationGeneric : NSDragOperationNone;
}

BOOL IGfxView_vORBEX9_au::performDragOperation(NSDraggingInfo* sender)
{
  NSPasteboard* pasteboard = sender ? sender->draggingPasteboard() : nullptr;
  NSArray* types = pasteboard ? pasteboard->types() : nullptr;
  if (!mGraphics || !types || !types->containsObject(NSFilenamesPboardType)) return YES;
  id list = pasteboard->propertyListForType(NSFilenamesPboardType);
  id first = list && list->isKindOfClass(NSArray::class_()) ? static_cast<NSArray*>(list)->firstObject() : nullptr;
  if (!first || !first->isKindOfClass(NSString::class_())) return YES;
  const NSPoint p = convertPointFromView(sender->draggingLocation(), nullptr);
  const float scale = mGraphics->GetDrawScale();
  mGraphics->OnDrop(static_cast<NSString*>(first)->UTF8String(), static_cast<float>(p.x) / scale,
                    static_cast<float>(p.y) / scale);
  return YES;
}

}  // namespace fx::gfx
