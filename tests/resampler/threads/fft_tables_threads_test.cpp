#include "resampler/CDSPRealFFT.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

using namespace rsmp;

// Objects of one length share their tables, which the first object builds.
// Many threads creating objects of lengths nobody has used yet, and
// transforming at once, must all see complete tables: every thread's result
// equals the one of an object made afterwards on this thread.
TEST(ResamplerThreads, FFTObjectsCreatedConcurrentlyShareCompleteTables)
{
  const int bitsList[] = {15, 16, 17};
  std::vector<double> x(1 << 17);
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for(double& v : x)
    v = u(rng);

  constexpr int kThreads = 8;
  std::vector<std::vector<std::vector<double>>> results(kThreads);
  std::vector<std::thread> threads;
  for(int t = 0; t < kThreads; t++)
    threads.emplace_back([&, t] {
      for(const int bits : bitsList)
      {
        CDSPRealFFT* f = CDSPRealFFT::Create(bits, (t & 1) == 0);
        std::vector<double> a(x.begin(), x.begin() + (1 << bits));
        if(f)
        {
          f->Forward(a.data());
          f->Inverse(a.data());
          CDSPRealFFT::Destroy(f);
        }
        results[t].push_back(a);
      }
    });
  for(std::thread& th : threads)
    th.join();

  for(size_t i = 0; i < std::size(bitsList); i++)
  {
    const int bits = bitsList[i];
    CDSPRealFFT* f = CDSPRealFFT::Create(bits);
    ASSERT_NE(f, nullptr);
    std::vector<double> ref(x.begin(), x.begin() + (1 << bits));
    f->Forward(ref.data());
    f->Inverse(ref.data());
    for(int k = 0; k < (1 << bits); k += 97)
      ASSERT_NEAR(ref[k] * f->GetInvScale(), x[k], 1e-12) << bits;
    CDSPRealFFT::Destroy(f);
    for(int t = 0; t < kThreads; t++)
      ASSERT_EQ(results[t][i], ref) << "thread " << t << " bits " << bits;
  }
}
