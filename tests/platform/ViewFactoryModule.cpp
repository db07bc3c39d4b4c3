// A loadable library standing in for a component: everything hidden, one
// exported symbol, and a view-factory class that registers itself by name
// when the library loads.
#include <AppKit/AppKit.h>
#include <AudioUnit/AUCocoaUIView.h>

class PlatformTest_ViewFactory : public NSObject, public AUCocoaUIBase {
  NS_CLASS(PlatformTest_ViewFactory, NSObject)
 public:
  unsigned interfaceVersion() override { return 0; }
  NSView* uiViewForAudioUnit(AudioUnit, NSSize preferredSize) override {
    ++views_;
    NSView* v = NSView::alloc()->initWithFrame(NSMakeRect(0, 0, preferredSize.width, preferredSize.height));
    return static_cast<NSView*>(v->autorelease());
  }
  NSString* description() override { return NSSTR("Platform Test View"); }
  void countViews(NSObject* counter) { counter->retain(); }  // reached by selector

 private:
  int views_ = 0;
};

NS_IMPLEMENT_CLASS(PlatformTest_ViewFactory,
                   {nsx::method<&PlatformTest_ViewFactory::countViews>("countViews:")}, {},
                   {nsx::adopts<PlatformTest_ViewFactory, AUCocoaUIBase>()})

extern "C" __attribute__((visibility("default"))) int PlatformTestModule_Entry() { return 42; }
