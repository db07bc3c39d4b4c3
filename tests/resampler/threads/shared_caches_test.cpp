#include "resampler/CDSPResampler.h"
#include "resampler/CFFTPool.h"
#include "resampler/CLowPassCache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

using namespace rsmp;

namespace {

std::vector<double> Convert(CDSPResampler& r, const std::vector<double>& x, int block)
{
  std::vector<double> out, in;
  for(size_t pos = 0; pos < x.size(); pos += block)
  {
    const int l = (int)std::min<size_t>(block, x.size() - pos);
    in.assign(x.begin() + pos, x.begin() + pos + l);
    double* op = nullptr;
    const int n = r.ProcessSamples(in.data(), l, op);
    if(n > 0)
      out.insert(out.end(), op, op + n);
  }
  return out;
}

} // namespace

TEST(ResamplerThreads, ConcurrentLookupsShareOneFilter)
{
  constexpr int kThreads = 8;
  std::vector<CLowPassFilter*> got(kThreads, nullptr);
  std::vector<std::thread> ts;
  for(int i = 0; i < kThreads; i++)
    ts.emplace_back([&got, i] { got[i] = CLowPassCache::Get(0.5, 8.0, 120.0, 0, 7.0); });
  for(std::thread& t : ts)
    t.join();
  for(int i = 0; i < kThreads; i++)
    EXPECT_EQ(got[i], got[0]);
  EXPECT_EQ(CLowPassCache::GetRefCount(got[0]), kThreads);
  for(CLowPassFilter* f : got)
    CLowPassCache::Release(f);
}

TEST(ResamplerThreads, ConvertersBuiltAndRunOnManyThreadsMatchOneThread)
{
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> x(20000);
  for(double& v : x)
    v = u(rng);

  // Reference on this thread.
  std::vector<double> refUp, refDown;
  {
    CDSPResampler up(48000, 4 * 48000.0, 256, 8.0, 136.32, 0);
    CDSPResampler down(4 * 48000.0, 48000, 1024, 8.0, 136.32, 0);
    refUp = Convert(up, x, 256);
    refDown = Convert(down, refUp, 1024);
  }

  constexpr int kThreads = 8;
  std::vector<int> ok(kThreads, 0);
  std::vector<std::thread> ts;
  for(int t = 0; t < kThreads; t++)
  {
    ts.emplace_back([&, t] {
      for(int round = 0; round < 3; round++)
      {
        // Build, run and destroy: filters and FFT objects come from and go
        // back to the shared caches while other threads do the same.
        CDSPResampler up(48000, 4 * 48000.0, 256, 8.0, 136.32, 0);
        CDSPResampler down(4 * 48000.0, 48000, 1024, 8.0, 136.32, 0);
        CDSPResampler other(44100, 48000, 300 + t, 3.0, 136.32, 0);
        if(up.GetStatus() != EStatus::kOK || down.GetStatus() != EStatus::kOK || other.GetStatus() != EStatus::kOK)
          return;
        const std::vector<double> a = Convert(up, x, 256);
        const std::vector<double> b = Convert(down, a, 1024);
        Convert(other, x, 300 + t);
        if(a != refUp || b != refDown)
          return;
      }
      ok[t] = 1;
    });
  }
  for(std::thread& th : ts)
    th.join();
  for(int t = 0; t < kThreads; t++)
    EXPECT_EQ(ok[t], 1) << t;
}

TEST(ResamplerThreads, PoolHandsEachObjectToOneHolderAtATime)
{
  constexpr int kThreads = 8;
  std::vector<std::vector<CDSPRealFFT*>> got(kThreads);
  std::vector<std::thread> ts;
  for(int t = 0; t < kThreads; t++)
    ts.emplace_back([&got, t] {
      for(int i = 0; i < 20; i++)
        got[t].push_back(CFFTPool::Acquire(9));
    });
  for(std::thread& th : ts)
    th.join();
  std::vector<CDSPRealFFT*> all;
  for(auto& v : got)
    all.insert(all.end(), v.begin(), v.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  for(CDSPRealFFT* f : all)
    CFFTPool::Release(f);
}
