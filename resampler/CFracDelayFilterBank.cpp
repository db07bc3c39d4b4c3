#include "resampler/CFracDelayFilterBank.h"

#include "resampler/CLowPassFilter.h"
#include "resampler/RsmpAlign.h"
#include "resampler/RsmpLocks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace rsmp {

const CFracDelayFilterBank::SDesign CFracDelayFilterBank::kPow2Designs[kPow2DesignCount] = {
  {4.130846853458691, 1.1752580009977263, 55.5446},
  {4.424152032414883, 1.8004881791443044, 81.4191},
  {5.261523228917366, 1.8133318236025469, 96.3392},
  {5.943375122721617, 1.8730186391986436, 111.1315},
  {6.8308658290513815, 1.8549555110340281, 125.4653},
  {7.66484582903129, 1.8565766090828464, 139.7379},
  {8.20387286643076, 1.9269521820570166, 154.0532},
  {8.786515094665514, 1.9775307667441668, 168.2101},
  {9.594501788410177, 1.9718456992078597, 182.1076},
  {10.516314114598524, 1.9504067820201083, 195.5668},
  {10.238246520636247, 2.1608923446870087, 209.061},
  {10.9976060250714, 2.1536533525688935, 222.501},
};

const CFracDelayFilterBank::SDesign CFracDelayFilterBank::kThirdDesigns[kThirdDesignCount] = {
  {3.9888564562781847, 1.5869927184268915, 66.5701},
  {4.698669403814501, 1.8086068597928262, 86.4715},
  {5.599507132933782, 1.893016336094235, 106.1195},
  {6.362728780025723, 1.9945748322093975, 125.2307},
  {7.429955071142831, 1.9893400572347544, 144.3469},
  {8.066771594407564, 2.092820145869991, 163.4099},
  {8.746997022628882, 2.1640279784268355, 181.0694},
  {10.082343006983523, 2.089667802532192, 199.288},
  {10.922220609048951, 2.1221681162186004, 216.6865},
  {21.2017743894772, 1.18567680801189, 233.9188},
};

namespace {

// Bank lists: plain data with constant initialisation, so they outlive every
// converter destroyed during static destruction.
struct BankLists
{
  CFracDelayFilterBank* longHead;
  CFracDelayFilterBank* shortHead;
  int shortCount;
  bool exiting;
};
constinit BankLists gLists = {nullptr, nullptr, 0, false};

// Frees the lists at process exit.
struct BankListsAtExit
{
  ~BankListsAtExit()
  {
    std::lock_guard<std::recursive_mutex> lock(GetFilterBankLock());
    gLists.exiting = true;
    for (CFracDelayFilterBank** head : {&gLists.longHead, &gLists.shortHead})
    {
      CFracDelayFilterBank* b = *head;
      *head = nullptr;
      while (b)
      {
        CFracDelayFilterBank* next = b->Next;
        b->Next = nullptr;
        if (b->RefCount <= 0)
          delete b;
        b = next;
      }
    }
    gLists.shortCount = 0;
  }
} gBankListsAtExit;

bool KeyEquals(const CFracDelayFilterBank* b, int q, int ct, int g, double att, bool third)
{
  return b->ReqFracCount == q && b->Ct == ct && b->Guard == g && b->Atten == att && b->IsThird == third;
}

} // namespace

CFracDelayFilterBank::~CFracDelayFilterBank()
{
  std::free(TableRaw);
}

int CFracDelayFilterBank::ChooseDesign(bool IsThird, double ReqAtten) noexcept
{
  const SDesign* d = IsThird ? kThirdDesigns : kPow2Designs;
  const int n = IsThird ? kThirdDesignCount : kPow2DesignCount;
  for (int i = 0; i < n; ++i)
    if (d[i].Atten >= ReqAtten)
      return i;
  return n - 1;
}

EStatus CFracDelayFilterBank::Build(double Alpha, double Power) noexcept
{
  // Rows beyond a few thousand fractions serve no rate pair (whole stepping
  // stops at 1500 output steps) and would only risk overflow.
  if (FracCount < 1 || FracCount > 1 << 20 || Guard < 2 || (Guard & 1) || FilterLen < 2 || (FilterLen & 1) ||
      (Ct != 1 && Ct != 3))
    return EStatus::kInvalidArgument;
  const int q = FracCount;
  const int rows = q + Guard;
  const int f = FilterLen;
  const int half = f / 2;
  ElementSize = Ct * f;
  const size_t count = size_t(rows) * size_t(ElementSize);
  TableRaw = std::malloc(count * sizeof(double) + kAlign);
  if (!TableRaw)
    return EStatus::kOutOfMemory;
  Table = AlignPtr(static_cast<double*>(TableRaw));
  std::memset(Table, 0, count * sizeof(double));

  // Plain rows of every fraction index 1 - Guard/2 ... q + Guard/2.
  double* plain = Table;
  double* tmp = nullptr;
  if (Ct != 1)
  {
    tmp = static_cast<double*>(std::malloc(sizeof(double) * size_t(rows) * size_t(f)));
    if (!tmp)
      return EStatus::kOutOfMemory;
    plain = tmp;
  }
  const double alpha = std::clamp(Alpha, 1.0, 350.0);
  const double i0a = BesselI0(alpha);
  const double pi = 3.14159265358979323846;
  for (int r = 0; r < rows; ++r)
  {
    const int index = r + 1 - Guard / 2;
    const double phi = double(q - index) / q;
    const double s = std::sin(pi * phi) / pi;
    double* row = plain + size_t(r) * f;
    double sum = 0.0;
    for (int i = -half; i < half; ++i)
    {
      const double z = i + phi;
      // sin(pi z) / (pi z), with sin(pi (i + phi)) = (-1)^i sin(pi phi).
      double v = std::fabs(z) < 2.2737367544323206e-13 ? 1.0 : ((i & 1) ? -s : s) / z;
      const double x = z / half;
      const double x2 = x * x;
      v = x2 > 1.0 ? 0.0 : v * std::pow(BesselI0(alpha * std::sqrt(1.0 - x2)) / i0a, Power);
      row[i + half] = v;
      sum += v;
    }
    if (sum != 0.0 && std::isfinite(sum))
      for (int i = 0; i < f; ++i)
        row[i] /= sum;
  }
  if (Ct == 1)
    return EStatus::kOK;

  // Quadratic coefficients for fraction indices 0 ... q (the rows the kernel
  // reaches); y0 ... y7 are the tap's values from three rows before to four after.
  for (int index = 0; index <= q; ++index)
  {
    const int r3 = index - 1 + Guard / 2;
    if (r3 - 3 < 0 || r3 + 4 >= rows)
      continue;
    double* el = Table + size_t(r3) * ElementSize;
    for (int i = 0; i < f; ++i)
    {
      double y[8];
      for (int k = 0; k < 8; ++k)
        y[k] = plain[size_t(r3 - 3 + k) * f + i];
      const double c0 = y[3];
      const double c1 = (61.0 * (y[4] - y[2]) + 16.0 * (y[1] - y[5]) + 3.0 * (y[6] - y[0])) / 76.0;
      const double c2 =
        (6.0 * y[0] + 10.0 * y[6] + 106.0 * (y[2] + y[4]) - 3.0 * y[7] - 29.0 * (y[1] + y[5]) - 167.0 * y[3]) /
        76.0;
      // Pair layout: c0 of taps 2p, 2p+1, then c1 of both, then c2 of both.
      const int p = i >> 1, o = i & 1;
      el[6 * p + o] = c0;
      el[6 * p + 2 + o] = c1;
      el[6 * p + 4 + o] = c2;
    }
  }
  std::free(tmp);
  return EStatus::kOK;
}

CFracDelayFilterBank* CFracDelayFilterBank::Acquire(int FracCount, int Ct, int Guard, bool IsThird, bool LongLived,
                                                    double ReqAtten, EStatus* status) noexcept
{
  const int d = ChooseDesign(IsThird, ReqAtten);
  const SDesign& des = IsThird ? kThirdDesigns[d] : kPow2Designs[d];
  std::lock_guard<std::recursive_mutex> lock(GetFilterBankLock());

  CFracDelayFilterBank*& head = LongLived ? gLists.longHead : gLists.shortHead;
  const int countAtStart = gLists.shortCount;
  CFracDelayFilterBank* prev = nullptr;
  for (CFracDelayFilterBank* b = head; b; prev = b, b = b->Next)
    if (KeyEquals(b, FracCount, Ct, Guard, des.Atten, IsThird))
    {
      // Reference counts of long-lived banks are kept too (they are never
      // evicted, but the count tells which banks are still in use at exit).
      ++b->RefCount;
      if (prev)
      {
        prev->Next = b->Next;
        b->Next = head;
        head = b;
      }
      if (status)
        *status = EStatus::kOK;
      return b;
    }

  if (!LongLived && countAtStart >= kShortLivedLimit && head)
  {
    CFracDelayFilterBank* before = nullptr;
    CFracDelayFilterBank* last = head;
    while (last->Next)
    {
      before = last;
      last = last->Next;
    }
    if (before)
    {
      before->Next = nullptr;
      if (last->RefCount <= 0)
      {
        delete last;
        --gLists.shortCount;
      }
      else
      {
        last->Next = head;
        head = last;
      }
    }
  }

  CFracDelayFilterBank* b = new CFracDelayFilterBank;
  if (!b)
  {
    if (status)
      *status = EStatus::kOutOfMemory;
    return nullptr;
  }
  b->ReqFracCount = FracCount;
  b->Ct = Ct;
  b->Guard = Guard;
  b->Atten = des.Atten;
  b->IsThird = IsThird;
  b->LongLived = LongLived;
  b->FilterLen = (IsThird ? 6 : 8) + 2 * d;
  b->FracCount = FracCount > 0 ? FracCount : int(std::ceil(std::pow(6.4, des.Atten / 50.0)));
  const EStatus st = b->Build(des.Alpha, des.Power);
  if (st != EStatus::kOK)
  {
    delete b;
    if (status)
      *status = st;
    return nullptr;
  }
  b->Next = head;
  head = b;
  if (!LongLived)
    ++gLists.shortCount;
  if (status)
    *status = EStatus::kOK;
  return b;
}

void CFracDelayFilterBank::Release(CFracDelayFilterBank* bank) noexcept
{
  if (!bank)
    return;
  std::lock_guard<std::recursive_mutex> lock(GetFilterBankLock());
  --bank->RefCount;
  // After the lists were freed at exit, the last holder frees its bank.
  if (gLists.exiting && bank->RefCount <= 0)
    delete bank;
}

int CFracDelayFilterBank::GetShortLivedCount() noexcept
{
  std::lock_guard<std::recursive_mutex> lock(GetFilterBankLock());
  return gLists.shortCount;
}

int CFracDelayFilterBank::GetRefCount(const CFracDelayFilterBank* bank) noexcept
{
  std::lock_guard<std::recursive_mutex> lock(GetFilterBankLock());
  return bank ? bank->RefCount : 0;
}

} // namespace rsmp
