// The render path and the host's set-parameter path of the product allocate nothing.
//
// The global operator new/delete family is replaced by counting versions that still forward to
// malloc/free (so the address sanitizer keeps seeing every block). The C allocation calls of the
// statically linked libraries are counted too, through the linker's symbol wrapping. They count only while the
// calling thread is armed; the first armed allocation records its backtrace into a fixed buffer,
// printed once the thread is disarmed again. Configuration (formats, rate, block size, OS Mode,
// Look Ahead, bypass) happens disarmed: those are main-thread calls that may allocate.

#include "plugin/ORBEX9.h"
#include "tests/plugin/editor/EditorTestSupport.h"
#include "tests/plugin/ProductPlug.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <execinfo.h>
#include <limits>
#include <new>
#include <random>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#define RT_ALLOC_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define RT_ALLOC_TSAN 1
#endif
#endif

namespace {

thread_local bool tArmed = false;
std::atomic<int> gAllocs {0};
std::atomic<bool> gTraceTaken {false};
void* gTrace[64];
int gTraceDepth = 0;

void NoteAllocation()
{
  if (!tArmed) return;
  tArmed = false; // backtrace() itself must not recurse into the count
  if (gAllocs.fetch_add(1) == 0 && !gTraceTaken.exchange(true)) gTraceDepth = backtrace(gTrace, 64);
  tArmed = true;
}

} // namespace

// The linker sends the libraries' malloc family here (see this test's link options).
extern "C" {
void* __real_malloc(std::size_t n);
void* __real_calloc(std::size_t n, std::size_t size);
void* __real_realloc(void* p, std::size_t n);
void* __real_aligned_alloc(std::size_t al, std::size_t n);
void* __wrap_malloc(std::size_t n)
{
  NoteAllocation();
  return __real_malloc(n);
}
void* __wrap_calloc(std::size_t n, std::size_t size)
{
  NoteAllocation();
  return __real_calloc(n, size);
}
void* __wrap_realloc(void* p, std::size_t n)
{
  NoteAllocation();
  return __real_realloc(p, n);
}
void* __wrap_aligned_alloc(std::size_t al, std::size_t n)
{
  NoteAllocation();
  return __real_aligned_alloc(al, n);
}
}

namespace {

void* CountedAlloc(std::size_t n)
{
  NoteAllocation();
  if (void* p = __real_malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}

void* AlignedOrNull(std::size_t n, std::align_val_t al) noexcept
{
  NoteAllocation();
  const std::size_t a = static_cast<std::size_t>(al) < sizeof(void*) ? sizeof(void*) : static_cast<std::size_t>(al);
  void* p = nullptr;
  return posix_memalign(&p, a, n ? n : 1) == 0 ? p : nullptr;
}

void* CountedAlignedAlloc(std::size_t n, std::align_val_t al)
{
  if (void* p = AlignedOrNull(n, al)) return p;
  throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t n) { return CountedAlloc(n); }
void* operator new[](std::size_t n) { return CountedAlloc(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
  NoteAllocation();
  return __real_malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
  NoteAllocation();
  return __real_malloc(n ? n : 1);
}
void* operator new(std::size_t n, std::align_val_t al) { return CountedAlignedAlloc(n, al); }
void* operator new[](std::size_t n, std::align_val_t al) { return CountedAlignedAlloc(n, al); }
void* operator new(std::size_t n, std::align_val_t al, const std::nothrow_t&) noexcept { return AlignedOrNull(n, al); }
void* operator new[](std::size_t n, std::align_val_t al, const std::nothrow_t&) noexcept { return AlignedOrNull(n, al); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

constexpr UInt32 kMaxFrames = 512;
constexpr double kRate = 48000.0;

// The fences keep the compiler from moving the flag across a call it takes for a plain malloc.
struct Arm
{
  Arm()
  {
    tArmed = true;
    std::atomic_signal_fence(std::memory_order_seq_cst);
  }
  ~Arm()
  {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    tArmed = false;
  }
};

/** Input fed by the host's render callback: noise with NaN and infinities sprinkled in. */
struct Source
{
  std::mt19937 rng {7};
  static OSStatus Render(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
                         AudioBufferList* list)
  {
    auto* self = static_cast<Source*>(refCon);
    std::uniform_real_distribution<float> level(-2.f, 2.f);
    for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
    {
      auto* data = static_cast<float*>(list->mBuffers[c].mData);
      if (!data) return kAudio_ParamError;
      for (UInt32 s = 0; s < nFrames; ++s)
      {
        const unsigned pick = self->rng() % 97;
        data[s] = pick == 0   ? std::numeric_limits<float>::quiet_NaN()
                  : pick == 1 ? std::numeric_limits<float>::infinity()
                  : pick == 2 ? -std::numeric_limits<float>::infinity()
                              : level(self->rng);
      }
    }
    return noErr;
  }
};

/** A playing transport at 120 BPM, read through the host's callbacks during each render. */
OSStatus BeatAndTempo(void*, Float64* beat, Float64* tempo)
{
  if (beat) *beat = 4.0;
  if (tempo) *tempo = 120.0;
  return noErr;
}

OSStatus Transport(void*, Boolean* playing, Boolean* changed, Float64* sample, Boolean* cycling, Float64* cycleStart,
                   Float64* cycleEnd)
{
  if (playing) *playing = true;
  if (changed) *changed = false;
  if (sample) *sample = 96000.0;
  if (cycling) *cycling = false;
  if (cycleStart) *cycleStart = 0.0;
  if (cycleEnd) *cycleEnd = 0.0;
  return noErr;
}

AudioStreamBasicDescription FloatFormat(UInt32 channels)
{
  AudioStreamBasicDescription f {};
  FillOutASBDForLPCM(f, kRate, channels, 32, 32, true, false, true);
  return f;
}

/** Host output buffers: up to two channels, all memory made before arming. */
struct Outputs
{
  explicit Outputs(UInt32 channels) : data(channels * kMaxFrames), bytes(AudioBufferListSize(2))
  {
    list = reinterpret_cast<AudioBufferList*>(bytes.data());
    list->mNumberBuffers = channels;
  }
  // withMemory false: the host leaves the buffers to the adapter (null data pointers).
  void Attach(UInt32 nFrames, bool withMemory)
  {
    for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
    {
      list->mBuffers[c].mNumberChannels = 1;
      list->mBuffers[c].mDataByteSize = nFrames * sizeof(float);
      list->mBuffers[c].mData = withMemory ? data.data() + c * kMaxFrames : nullptr;
    }
  }
  std::vector<float> data;
  std::vector<unsigned char> bytes;
  AudioBufferList* list;
};

void PrintFirstAllocation()
{
  if (gTraceDepth <= 0) return;
  std::fprintf(stderr, "first allocation on the audio path:\n");
  backtrace_symbols_fd(gTrace, gTraceDepth, 2);
}

class RtAlloc : public ::testing::Test
{
protected:
  void SetUp() override
  {
#ifdef RT_ALLOC_TSAN
    GTEST_SKIP() << "the replaced allocator does not combine with the thread sanitizer";
#endif
    void* warm[4];
    backtrace(warm, 4); // loads the unwinder before anything is armed
    gAllocs = 0;
    gTraceTaken = false;
    gTraceDepth = 0;
  }

  // Made, formatted, fed and initialised as a host does, through the adapter's own calls.
  std::unique_ptr<ORBEX9> Make(UInt32 channels, Source& source)
  {
    auto plug = producttest::MakePlug();
    const AudioStreamBasicDescription f = FloatFormat(channels);
    EXPECT_EQ(plug->WriteProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &f, sizeof(f)), noErr);
    EXPECT_EQ(plug->WriteProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f, sizeof(f)), noErr);
    const Float64 rate = kRate;
    EXPECT_EQ(plug->WriteProperty(kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof(rate)), noErr);
    const UInt32 frames = kMaxFrames;
    EXPECT_EQ(plug->WriteProperty(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &frames,
                                  sizeof(frames)),
              noErr);
    const AURenderCallbackStruct cb {&Source::Render, &source};
    EXPECT_EQ(plug->WriteProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb, sizeof(cb)),
              noErr);
    HostCallbackInfo host {};
    host.beatAndTempoProc = &BeatAndTempo;
    host.transportStateProc = &Transport;
    EXPECT_EQ(plug->WriteProperty(kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &host, sizeof(host)),
              noErr);
    EXPECT_EQ(plug->InitializeUnit(), noErr);
    return plug;
  }
};

// A random value inside the parameter's range, in the host's (plain) units.
AudioUnitParameterValue RandomValue(const fx::IParam& p, std::mt19937& rng)
{
  std::uniform_real_distribution<double> u(p.GetMin(), p.GetMax());
  return static_cast<AudioUnitParameterValue>(u(rng));
}

// The counter itself: an armed allocation is seen and traced, a disarmed one is not.
TEST_F(RtAlloc, CounterSeesArmedAllocationsOnly)
{
  delete new int(1);
  EXPECT_EQ(gAllocs.load(), 0);
  {
    Arm armed;
    std::vector<double> v(3);
    v.push_back(1.0);
  }
  EXPECT_GE(gAllocs.load(), 1);
  EXPECT_GT(gTraceDepth, 0);
  gAllocs = 0;
  static void* volatile sink = nullptr; // keeps the pair from being folded away
  {
    Arm armed;
    sink = std::malloc(16);
  }
  std::free(sink);
  EXPECT_EQ(gAllocs.load(), 1);
}

TEST_F(RtAlloc, RenderAndAutomationAllocateNothing)
{
  std::mt19937 rng(1234);
  // Mono and stereo without an editor, then stereo with the editor open.
  for (int run = 0; run < 3; ++run)
  {
    const UInt32 channels = run == 0 ? 1u : 2u;
    Source source;
    auto plug = Make(channels, source);
    ASSERT_TRUE(plug);
    std::unique_ptr<editortest::EditorDriver> editor;
    if (run == 2)
    {
      editor = std::make_unique<editortest::EditorDriver>(*plug);
      editor->Open();
    }
    std::vector<int> automatable;
    for (int i = 0; i < kNumParams; ++i)
      if (plug->GetParam(i)->GetCanAutomate()) automatable.push_back(i);
    ASSERT_FALSE(automatable.empty());

    Outputs out(channels);
    double t = 0.0;
    UInt32 last = 0;
    for (int os = 0; os < 5; ++os)
      for (int look = 0; look < 2; ++look)
        for (int bypass = 0; bypass < 2; ++bypass)
        {
          // Non-real-time settings, disarmed.
          ASSERT_EQ(plug->ProcSetParameterFromHost(kOSMode, kAudioUnitScope_Global, 0, os, 0), noErr);
          ASSERT_EQ(plug->ProcSetParameterFromHost(kLookAhead, kAudioUnitScope_Global, 0, look, 0), noErr);
          const UInt32 bypassed = bypass;
          ASSERT_EQ(plug->WriteProperty(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &bypassed,
                                        sizeof(bypassed)),
                    noErr);

          for (int block = 0; block < 24; ++block)
          {
            const UInt32 n = 1 + rng() % kMaxFrames;
            const bool hostMemory = block % 5 != 4;
            out.Attach(n, hostMemory);
            AudioUnitParameterEvent events[4] {};
            for (AudioUnitParameterEvent& e : events)
            {
              const int idx = automatable[rng() % automatable.size()];
              e.scope = kAudioUnitScope_Global;
              e.parameter = static_cast<AudioUnitParameterID>(idx);
              e.eventType = kParameterEvent_Immediate;
              e.eventValues.immediate.bufferOffset = rng() % n;
              e.eventValues.immediate.value = RandomValue(*plug->GetParam(idx), rng);
            }
            const int setIdx = automatable[rng() % automatable.size()];
            const AudioUnitParameterValue setValue = RandomValue(*plug->GetParam(setIdx), rng);
            AudioTimeStamp ts {};
            ts.mSampleTime = t;
            ts.mFlags = kAudioTimeStampSampleTimeValid;
            AudioUnitRenderActionFlags flags = 0;
            OSStatus scheduled, set, rendered;
            {
              Arm armed;
              scheduled = plug->ScheduleParameters(events, 4);
              set = plug->ProcSetParameterFromHost(setIdx, kAudioUnitScope_Global, 0, setValue, 0);
              rendered = plug->RenderUnit(&flags, &ts, 0, n, out.list);
            }
            ASSERT_EQ(scheduled, noErr);
            ASSERT_EQ(set, noErr);
            ASSERT_EQ(rendered, noErr);
            t += n;
            last = hostMemory ? n : 0;
            if (gAllocs.load() != 0)
            {
              PrintFirstAllocation();
              FAIL() << gAllocs.load() << " allocation(s) with " << channels << " channel(s)"
                     << (editor ? ", editor open" : "") << ", OS Mode " << os
                     << ", Look Ahead " << look << ", bypass " << bypass;
            }
          }
          // The output stays finite whatever the input holds (unless passed through).
          if (!bypass)
          {
            for (UInt32 c = 0; c < channels; ++c)
              for (UInt32 s = 0; s < last; ++s)
                ASSERT_TRUE(std::isfinite(out.data[c * kMaxFrames + s])) << "channel " << c << " sample " << s;
          }
        }
    if (editor) editor->Close();
    plug->UninitializeUnit();
  }
}

} // namespace
