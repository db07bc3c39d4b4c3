// The object runtime: classes by name, selectors, protocols, reference
// counts and autorelease pools, and a view factory registered by a loaded
// library that exports nothing but its entry point.
#include <AppKit/AppKit.h>
#include <AudioUnit/AUCocoaUIView.h>
#include <dlfcn.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Counter : public NSObject {
  NS_CLASS(Counter, NSObject)
 public:
  int hits = 0;
  id lastArgument = nil;
  void hit(id argument) {
    ++hits;
    lastArgument = argument;
  }
  void bump() { ++hits; }
  BOOL isBig() { return hits > 2; }
  NSString* name() { return NSSTR("counter"); }
  static NSString* kind() { return NSSTR("kind"); }
  void dealloc() override {
    ++deallocs;
    NSObject::dealloc();
  }
  static int deallocs;
};
int Counter::deallocs = 0;

class Loud : public Counter {
  NS_CLASS(Loud, Counter)
};

class Greeter {
 public:
  static constexpr const char* kProtocolName = "PlatformTestGreeter";
  virtual const char* greet() = 0;

 protected:
  ~Greeter() = default;
};

class Friendly : public NSObject, public Greeter {
  NS_CLASS(Friendly, NSObject)
 public:
  const char* greet() override { return "hello"; }
};

}  // namespace

NS_IMPLEMENT_CLASS(Counter,
                   {nsx::method<&Counter::hit>("hit:"), nsx::method<&Counter::bump>("bump"),
                    nsx::method<&Counter::isBig>("isBig"), nsx::method<&Counter::name>("name")},
                   {nsx::classMethod<&Counter::kind>("kind")})
NS_IMPLEMENT_CLASS(Loud)
NS_IMPLEMENT_CLASS(Friendly, {}, {}, {nsx::adopts<Friendly, Greeter>()})

namespace {

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = nsx::LiveObjectCount(); }
  void TearDown() override { EXPECT_EQ(nsx::LiveObjectCount(), live_); }
  long live_ = 0;
};

TEST_F(RuntimeTest, ClassesAreFoundByNameAndMakeInstancesOfThemselves) {
  Class cls = objc_getClass("Loud");
  ASSERT_NE(cls, nullptr);
  EXPECT_STREQ(cls->name(), "Loud");
  EXPECT_EQ(cls->superclass(), Counter::class_());
  EXPECT_TRUE(cls->isSubclassOfClass(NSObject::class_()));
  EXPECT_EQ(objc_getClass("NoSuchClass"), nullptr);
  EXPECT_EQ(NSClassFromString(nullptr), nullptr);

  id object = cls->alloc()->init();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->getClass(), Loud::class_());
  EXPECT_TRUE(object->isKindOfClass(Counter::class_()));
  EXPECT_FALSE(object->isMemberOfClass(Counter::class_()));
  EXPECT_STREQ(object->className(), "Loud");
  // A second registration of a name is refused; the first stays.
  nsx::ClassDescription again;
  again.name = "Loud";
  EXPECT_EQ(nsx::RegisterClass(again), nullptr);
  EXPECT_EQ(objc_getClass("Loud"), cls);
  object->release();
}

TEST_F(RuntimeTest, SelectorsReachMethodsUpTheClassChain) {
  EXPECT_EQ(sel_registerName("hit:"), sel_registerName(std::string("hit:").c_str()));
  Loud* loud = Loud::alloc();
  ASSERT_TRUE(loud->respondsToSelector(sel_registerName("hit:")));
  EXPECT_FALSE(loud->respondsToSelector(sel_registerName("fly:")));
  loud->performSelector(sel_registerName("hit:"), loud);
  loud->performSelector(sel_registerName("bump"));
  EXPECT_EQ(loud->hits, 2);
  EXPECT_EQ(loud->lastArgument, loud);
  EXPECT_EQ(loud->performSelector(sel_registerName("isBig")), nil);
  loud->bump();
  EXPECT_NE(loud->performSelector(sel_registerName("isBig")), nil);
  id name = loud->performSelector(sel_registerName("name"));
  ASSERT_NE(name, nil);
  EXPECT_EQ(static_cast<NSString*>(name)->utf8(), "counter");
  EXPECT_EQ(loud->performSelector(sel_registerName("fly:")), nil);  // unknown: nothing happens
  EXPECT_TRUE(Loud::class_()->respondsToSelector(sel_registerName("kind")));
  EXPECT_EQ(static_cast<NSString*>(Loud::class_()->performSelector(sel_registerName("kind")))->utf8(), "kind");
  loud->release();
}

TEST_F(RuntimeTest, ProtocolsAreReachedThroughTheAdoptingClass) {
  Friendly* f = Friendly::alloc();
  EXPECT_TRUE(f->conformsToProtocol(objc_getProtocol("PlatformTestGreeter")));
  Greeter* g = nsx::ProtocolCast<Greeter>(f);
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(g->greet(), "hello");
  Counter* c = Counter::alloc();
  EXPECT_EQ(nsx::ProtocolCast<Greeter>(c), nullptr);
  EXPECT_EQ(nsx::ProtocolCast<Greeter>(nil), nullptr);
  c->release();
  f->release();
}

TEST_F(RuntimeTest, AutoreleasePoolsReleaseOnDrainInnermostFirst) {
  const int before = Counter::deallocs;
  Counter* kept = nullptr;
  {
    nsx::AutoreleasePool outer;
    Counter::alloc()->autorelease();
    {
      nsx::AutoreleasePool inner;
      Counter::alloc()->autorelease();
      kept = static_cast<Counter*>(Counter::alloc()->autorelease()->retain());
      EXPECT_EQ(Counter::deallocs, before);
    }
    EXPECT_EQ(Counter::deallocs, before + 1);  // the inner pool's own object
    EXPECT_EQ(kept->retainCount(), 1u);
  }
  EXPECT_EQ(Counter::deallocs, before + 2);
  kept->release();
  EXPECT_EQ(Counter::deallocs, before + 3);
}

TEST_F(RuntimeTest, ObjectsAutoreleasedWhileAPoolDrainsAreReleasedByIt) {
  class Chain : public NSObject {
   public:
    static Chain* make(int depth) {
      Chain* c = new Chain();
      c->depth_ = depth;
      return c;
    }
    void dealloc() override {
      if (depth_ > 0) make(depth_ - 1)->autorelease();
      NSObject::dealloc();
    }
    int depth_ = 0;
  };
  {
    nsx::AutoreleasePool pool;
    Chain::make(5)->autorelease();
  }
}

TEST_F(RuntimeTest, StringsFormatObjectsAndKeepPercentSignsOfArguments) {
  nsx::AutoreleasePool pool;
  NSString* text = NSString::stringWithFormat(NSSTR("%@ [%@] %d%% %s %.2f"), NSSTR("50%d off"), nil, 7, "c", 1.5);
  EXPECT_EQ(text->utf8(), "50%d off [(null)] 7% c 1.50");
  EXPECT_EQ(NSString::stringWithFormat(NSSTR("%5s|%-3d|%x"), "ab", 4, 255)->utf8(), "   ab|4  |ff");
  EXPECT_EQ(NSString::stringWithFormat(NSSTR("trailing %"))->utf8(), "trailing %");
}

TEST_F(RuntimeTest, StringsRefuseInvalidUtf8AndReadAsciiLeniently) {
  nsx::AutoreleasePool pool;
  EXPECT_EQ(NSString::stringWithUTF8String("\xC3\x28"), nullptr);
  EXPECT_EQ(NSString::stringWithUTF8String(nullptr), nullptr);
  NSString* ascii = NSString::stringWithCString("a\xC3z", NSASCIIStringEncoding);
  ASSERT_NE(ascii, nullptr);
  EXPECT_EQ(ascii->length(), 3u);
  EXPECT_EQ(ascii->characterAtIndex(1), 0xFFFD);
  NSString* u = NSString::stringWithUTF8String("h\xC3\xA9llo \xF0\x9F\x8E\xB5");
  EXPECT_EQ(u->length(), 8u);  // the note is two UTF-16 units
  EXPECT_EQ(u->characterAtIndex(1), 0xE9);
  EXPECT_EQ(u->characterAtIndex(99), 0);
  const unichar withZero[] = {'a', 0, 'b'};
  EXPECT_EQ(NSString::stringWithCharacters(withZero, 3)->utf8(), std::string("a\0b", 3));
  EXPECT_EQ(NSSTR("/a/b.txt")->stringByDeletingLastPathComponent()->utf8(), "/a");
  EXPECT_EQ(NSSTR("/b.txt")->stringByDeletingLastPathComponent()->utf8(), "/");
  EXPECT_EQ(NSSTR("/a/b.txt")->lastPathComponent()->utf8(), "b.txt");
  EXPECT_EQ(NSSTR("/a/b.txt")->pathExtension()->utf8(), "txt");
  EXPECT_EQ(NSSTR("/a/")->stringByAppendingPathComponent(NSSTR("c"))->utf8(), "/a/c");
  NSArray* parts = NSSTR("wav  aiff")->componentsSeparatedByString(NSSTR(" "));
  ASSERT_EQ(parts->count(), 3u);
  EXPECT_EQ(static_cast<NSString*>(parts->objectAtIndex(1))->utf8(), "");
  EXPECT_EQ(NSSTR("12abc")->intValue(), 12);
  EXPECT_EQ(NSSTR("99999999999")->intValue(), 2147483647);
  EXPECT_TRUE(NSSTR("the http page")->containsString(NSSTR("http")));
  EXPECT_TRUE(NSSTR("x")->isEqual(nsx::Str("x")));
}

TEST_F(RuntimeTest, ArraysRetainTheirElements) {
  Counter* c = Counter::alloc();
  NSArray* a = NSArray::alloc()->initWithVector({c, nil, c});
  EXPECT_EQ(a->count(), 2u);
  EXPECT_EQ(c->retainCount(), 3u);
  EXPECT_EQ(a->indexOfObject(c), 0u);
  EXPECT_EQ(a->objectAtIndex(5), nil);
  a->release();
  EXPECT_EQ(c->retainCount(), 1u);
  c->release();
}

TEST_F(RuntimeTest, ALoadedLibraryRegistersItsViewFactoryUntilUnloaded) {
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  const std::string exe(self);
  const std::string path = exe.substr(0, exe.rfind('/')) + "/libplatform_view_factory.so";
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  // Only the entry point is visible; the class is known by name alone.
  EXPECT_NE(dlsym(library, "PlatformTestModule_Entry"), nullptr);
  EXPECT_EQ(dlsym(library, "_ZN24PlatformTest_ViewFactory6class_Ev"), nullptr);
  {
    nsx::AutoreleasePool pool;
    Class cls = NSClassFromString(NSSTR("PlatformTest_ViewFactory"));
    ASSERT_NE(cls, nullptr);
    EXPECT_TRUE(cls->conformsToProtocol(objc_getProtocol("AUCocoaUIBase")));
    id factory = cls->alloc()->init();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->description()->utf8(), "Platform Test View");
    AUCocoaUIBase* ui = nsx::ProtocolCast<AUCocoaUIBase>(factory);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(ui->interfaceVersion(), 0u);
    NSView* view = ui->uiViewForAudioUnit(nullptr, NSMakeSize(300, 200));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isKindOfClass(NSView::class_()));
    EXPECT_EQ(view->frame().size.width, 300);
    Counter* c = Counter::alloc();
    factory->performSelector(sel_registerName("countViews:"), c);
    EXPECT_EQ(c->retainCount(), 2u);
    c->release();
    c->release();
    factory->release();
  }
  dlclose(library);
  EXPECT_EQ(objc_getClass("PlatformTest_ViewFactory"), nullptr);
}

}  // namespace
