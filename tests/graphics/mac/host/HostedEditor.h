// A loaded component's editor as a host gets it: property 31 names the view factory's class,
// the class is made by name from the object runtime and asked for its view; the pictures the
// view's layer presents are read back.
#pragma once

#include <AppKit/AppKit.h>
#include <AudioUnit/AUCocoaUIView.h>
#include <AudioUnit/AudioUnit.h>
#include <QuartzCore/CAMetalLayer.h>

#include <chrono>
#include <thread>
#include <utility>

#include "tests/au/AUBundleHost.h"
#include "tests/metal/Harness.h"

namespace fx::gfx::test {

struct HostedEditor
{
  AudioComponentInstance unit = nullptr;
  AudioUnitCocoaViewInfo info{};
  NSObject* factory = nullptr;
  AUCocoaUIBase* ui = nullptr;

  explicit HostedEditor(const autest::BundleComponent& c)
  {
    if (AudioComponentInstanceNew(c.viaFactory, &unit) != noErr) return;
    UInt32 size = sizeof(info);
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size) != noErr)
      return;
    Class cls = objc_getClass(autest::CFText(info.mCocoaAUViewClass[0]).c_str());
    factory = cls ? cls->alloc()->init() : nullptr;
    ui = nsx::ProtocolCast<AUCocoaUIBase>(factory);
  }
  ~HostedEditor()
  {
    if (factory) factory->release();
    if (info.mCocoaAUViewBundleLocation) CFRelease(info.mCocoaAUViewBundleLocation);
    if (info.mCocoaAUViewClass[0]) CFRelease(info.mCocoaAUViewClass[0]);
    if (unit) AudioComponentInstanceDispose(unit);
  }
  HostedEditor(const HostedEditor&) = delete;
  HostedEditor& operator=(const HostedEditor&) = delete;

  double Param(AudioUnitParameterID id) const
  {
    AudioUnitParameterValue v = -1;
    AudioUnitGetParameter(unit, id, kAudioUnitScope_Global, 0, &v);
    return v;
  }
};

/** The picture last presented to the layer, as RGBA rows top down. */
inline Image Presented(CAMetalLayer* layer)
{
  Image img;
  MTLTexture* texture = layer->copyPresentedTexture();
  if (!texture) return img;
  img.w = static_cast<int>(texture->width()), img.h = static_cast<int>(texture->height());
  img.px.resize(static_cast<size_t>(img.w) * img.h * 4);
  texture->getBytes(img.px.data(), img.w * 4, MTLRegionMake2D(0, 0, img.w, img.h), 0);
  MTLRelease(texture);
  for (size_t i = 0; i < img.px.size(); i += 4) std::swap(img.px[i], img.px[i + 2]); // BGRA
  return img;
}

/** Presenting ends on Metal's thread: waits (bounded) until the layer has shown n frames. */
inline bool WaitForPresents(CAMetalLayer* layer, unsigned long n)
{
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (layer->presentCount() < n && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  return layer->presentCount() >= n;
}

} // namespace fx::gfx::test
