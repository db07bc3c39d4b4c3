// Designs the half-band filter tables of the resampler's 2x stages.
//
// A half-band filter of t taps has the implicit centre tap 1 and the
// coefficients c[k] at odd distances +-(2k+1), so its response is
//   H(w) = 1 + 2 * sum_k c[k] * cos((2k+1) w),   H(0) ~ 2.
// The stage that follows a rate-doubling front (power-of-two family) or a
// rate-tripling front (3*2^k family) at steepness index s only carries the
// base band: at its output rate the pass band ends at fp = 1 / 2^(s+3)
// (power-of-two) or 1 / (3 * 2^(s+2)) (3*2^k); the images to remove lie in
// [0.5 - fp, 0.5]. Row 6 serves every s >= 6 and is designed for s = 6.
//
// Every filter is the minimax (equiripple) solution of
//   min max_{w in [0, 2 pi fp]} |1 - sum_k 2 c[k] cos((2k+1) w)|
// found by a Remez exchange in long double; the stop-band attenuation is
// -20 log10(max |H| over the stop band / 2). When a filter must reach a fixed
// attenuation at its tap count (the table lists the target of every filter),
// the pass-band edge is narrowed by bisection until it does. The listed
// targets carry the peak found on a coarser grid, so a shortfall of up to
// kTolerance dB at the nominal edge counts as reached.
//
// Usage: rsmp_halfband_gen <output .cpp>   (target regen_halfband_tables)

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Real = long double;
const Real kPi = 3.141592653589793238462643383279502884L;
const double kTolerance = 0.02;

struct Target
{
  int taps;
  double att;
};

// Attenuation each filter has to reach, rows s = 0 ... 6.
const std::vector<std::vector<Target>> kPow2Targets = {
  {{4, 54.5176}, {5, 66.3075}, {6, 89.5271}, {7, 105.2842}, {8, 121.0063}, {9, 136.6982},
   {10, 152.3572}, {11, 183.7962}, {12, 199.4768}, {13, 215.1364}, {14, 230.7526}},
  {{2, 56.6007}, {3, 83.0295}, {4, 123.4724}, {5, 152.4411}, {6, 181.2501}, {7, 209.9472},
   {8, 238.5616}},
  {{2, 89.0473}, {3, 130.8951}, {4, 172.3192}, {5, 213.4984}, {6, 254.5186}},
  {{1, 54.4754}, {2, 113.2139}, {3, 167.1447}, {4, 220.6519}},
  {{1, 66.5391}, {2, 137.3173}, {3, 203.2997}, {4, 268.855}},
  {{1, 82.4633}, {2, 161.4049}, {3, 239.4313}},
  {{1, 94.5052}, {2, 185.4886}, {3, 275.5501}},
};

const std::vector<std::vector<Target>> kThirdTargets = {
  {{3, 66.3726}, {4, 90.2546}, {5, 126.5507}, {6, 150.1839}, {7, 173.7068}, {8, 197.1454},
   {9, 220.5199}},
  {{2, 71.0965}, {3, 115.7707}, {4, 152.1535}, {5, 188.2914}, {6, 224.2705}},
  {{1, 49.4544}, {2, 103.197}, {3, 152.1195}, {4, 200.6182}, {5, 248.873}},
  {{1, 61.5357}, {2, 127.3167}, {3, 188.299}, {4, 248.858}},
  {{1, 77.4651}, {2, 151.4084}, {3, 224.4365}},
  {{1, 89.5075}, {2, 175.4932}, {3, 260.5645}},
  {{1, 101.549}, {2, 199.5761}, {3, 296.5185}},
};

// Filters whose coefficients are fixed in advance (power-of-two family): the
// stages the limiter's chains use. They are kept as they stand.
struct Fixed
{
  int s;
  std::vector<double> c;
};
const std::vector<Fixed> kPow2Fixed = {
  {0, {0.6259776380402198, -0.18216414325139055, 0.08287910487672673, -0.038563442248249404,
       0.016471530499739394, -0.006048910888133523, 0.0017805283804140392,
       -0.0003753320011272956, 4.3172840558735476e-05}},
  {1, {0.6081864242908893, -0.13981140187175697, 0.03848916405450362, -0.00762188617978531,
       0.0007577235813095239}},
  {2, {0.5989658613498468, -0.12111680603434927, 0.024763118076458895, -0.002612175813221299}},
  {3, {0.5862196872875504, -0.09808055165652453, 0.01186086876199708}},
  {4, {0.5626129316393357, -0.06261306782662002}},
  {5, {0.5625282361014603, -0.06252824460804479}},
  {6, {0.5625070592247968, -0.0625070597563784}},
};

// Error of the approximation at w: 1 - sum a[k] cos((2k+1) w); equals H(pi - w).
Real ErrorAt(const std::vector<Real>& a, Real w)
{
  Real s = 0;
  for (size_t k = 0; k < a.size(); ++k)
    s += a[k] * std::cos((2 * k + 1) * w);
  return 1 - s;
}

// Solves the (t+1)x(t+1) system of the Remez step by Gaussian elimination
// with partial pivoting. Returns false on a singular system.
bool Solve(std::vector<std::vector<Real>>& m, std::vector<Real>& x)
{
  const size_t n = x.size();
  for (size_t c = 0; c < n; ++c)
  {
    size_t p = c;
    for (size_t r = c + 1; r < n; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[p][c]))
        p = r;
    if (m[p][c] == 0)
      return false;
    std::swap(m[p], m[c]);
    std::swap(x[p], x[c]);
    for (size_t r = c + 1; r < n; ++r)
    {
      const Real f = m[r][c] / m[c][c];
      for (size_t k = c; k < n; ++k)
        m[r][k] -= f * m[c][k];
      x[r] -= f * x[c];
    }
  }
  for (size_t c = n; c-- > 0;)
  {
    for (size_t k = c + 1; k < n; ++k)
      x[c] -= m[c][k] * x[k];
    x[c] /= m[c][c];
  }
  return true;
}

// Local extremum of |e| near w on [lo, hi] by golden-section search.
Real Refine(const std::vector<Real>& a, Real lo, Real hi)
{
  const Real g = (std::sqrt(5.0L) - 1) / 2;
  Real x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
  Real f1 = std::fabs(ErrorAt(a, x1)), f2 = std::fabs(ErrorAt(a, x2));
  for (int i = 0; i < 80; ++i)
  {
    if (f1 > f2)
    {
      hi = x2; x2 = x1; f2 = f1; x1 = hi - g * (hi - lo); f1 = std::fabs(ErrorAt(a, x1));
    }
    else
    {
      lo = x1; x1 = x2; f1 = f2; x2 = lo + g * (hi - lo); f2 = std::fabs(ErrorAt(a, x2));
    }
  }
  return (lo + hi) / 2;
}

// Extremal points of the error on [0, wp], refined; endpoints included.
std::vector<Real> Extrema(const std::vector<Real>& a, Real wp, int grid)
{
  std::vector<Real> w(grid + 1), e(grid + 1);
  for (int i = 0; i <= grid; ++i)
  {
    // Denser near both ends, where the extrema crowd.
    const Real u = (1 - std::cos(kPi * i / grid)) / 2;
    w[i] = wp * u;
    e[i] = ErrorAt(a, w[i]);
  }
  std::vector<Real> ext;
  ext.push_back(0);
  for (int i = 1; i < grid; ++i)
  {
    const Real m = std::fabs(e[i]);
    if (m >= std::fabs(e[i - 1]) && m > std::fabs(e[i + 1]))
      ext.push_back(Refine(a, w[i - 1], w[i + 1]));
  }
  ext.push_back(wp);
  return ext;
}

struct Design
{
  std::vector<double> c; // rounded coefficients
  double fp = 0;         // pass-band edge the design holds to (fraction of the output rate)
  double att = 0;        // attenuation reached by the rounded coefficients
  bool ok = false;
};

// Stop-band attenuation of rounded coefficients over [0.5 - fp, 0.5].
double Measure(const std::vector<double>& c, double fp)
{
  std::vector<Real> a(c.size());
  for (size_t k = 0; k < c.size(); ++k)
    a[k] = 2.0L * c[k];
  const Real wp = 2 * kPi * fp;
  Real mx = 0;
  for (Real w : Extrema(a, wp, 4000 + 400 * int(c.size())))
    mx = std::max(mx, std::fabs(ErrorAt(a, w)));
  Real dc = 1;
  for (double x : c)
    dc += 2.0L * x;
  return double(-20 * std::log10(mx / dc));
}

// Remez exchange for t taps and pass-band edge fp.
Design Remez(int t, double fp)
{
  Design d;
  const Real wp = 2 * kPi * fp;
  // Initial reference: Chebyshev nodes in u = cos^2(w) over [cos^2 wp, 1].
  std::vector<Real> ref(t + 1);
  const Real u0 = std::cos(wp) * std::cos(wp);
  for (int i = 0; i <= t; ++i)
  {
    const Real u = u0 + (1 - u0) * (1 + std::cos(kPi * i / t)) / 2;
    ref[i] = std::acos(std::sqrt(std::min<Real>(1, u)));
  }
  std::sort(ref.begin(), ref.end());
  std::vector<Real> a(t, 0);
  Real delta = 0;
  for (int iter = 0; iter < 100; ++iter)
  {
    std::vector<std::vector<Real>> m(t + 1, std::vector<Real>(t + 1));
    std::vector<Real> x(t + 1, 1);
    for (int i = 0; i <= t; ++i)
    {
      for (int k = 0; k < t; ++k)
        m[i][k] = std::cos((2 * k + 1) * ref[i]);
      m[i][t] = (i % 2) ? -1 : 1;
    }
    if (!Solve(m, x))
      return d;
    for (int k = 0; k < t; ++k)
      a[k] = x[k];
    delta = std::fabs(x[t]);

    // New reference: alternating extrema of the largest magnitude.
    std::vector<Real> ext = Extrema(a, wp, 2000 + 400 * t);
    std::vector<Real> alt;
    for (Real w : ext)
    {
      const Real e = ErrorAt(a, w);
      if (!alt.empty() && (ErrorAt(a, alt.back()) > 0) == (e > 0))
      {
        if (std::fabs(e) > std::fabs(ErrorAt(a, alt.back())))
          alt.back() = w;
      }
      else
        alt.push_back(w);
    }
    while (int(alt.size()) > t + 1)
    {
      // Drop the weaker end.
      if (std::fabs(ErrorAt(a, alt.front())) < std::fabs(ErrorAt(a, alt.back())))
        alt.erase(alt.begin());
      else
        alt.pop_back();
    }
    Real mx = 0;
    for (Real w : alt)
      mx = std::max(mx, std::fabs(ErrorAt(a, w)));
    if (int(alt.size()) == t + 1)
      ref = alt;
    if (mx - delta <= delta * 1e-9L)
      break;
  }
  d.c.resize(t);
  for (int k = 0; k < t; ++k)
    d.c[k] = double(a[k] / 2);
  d.fp = fp;
  d.att = Measure(d.c, fp);
  d.ok = std::isfinite(d.att);
  return d;
}

// A filter of t taps reaching at least `att`: at the nominal edge when that
// suffices, else at the widest edge that does.
Design DesignFor(int t, double att, double nominalFp)
{
  Design d = Remez(t, nominalFp);
  if (d.ok && d.att >= att - kTolerance)
    return d;
  // Step the edge down until the target is met, then bisect back up.
  double hi = nominalFp, lo = nominalFp;
  Design best;
  while (lo > nominalFp * 1e-3)
  {
    hi = lo;
    lo *= 0.9;
    best = Remez(t, lo);
    if (best.ok && best.att >= att)
      break;
  }
  for (int i = 0; i < 30; ++i)
  {
    const double mid = (lo + hi) / 2;
    Design m = Remez(t, mid);
    if (m.ok && m.att >= att)
    {
      best = m;
      lo = mid;
    }
    else
      hi = mid;
  }
  return best;
}

struct RowOut
{
  std::vector<Design> filters;
};

void EmitFamily(FILE* f, const char* prefix, const std::vector<std::vector<Target>>& targets,
                const std::vector<Fixed>* fixed, bool third)
{
  std::vector<RowOut> rows(targets.size());
  for (size_t s = 0; s < targets.size(); ++s)
  {
    const double fp = third ? 1.0 / (3.0 * std::ldexp(1.0, int(s) + 2)) : 1.0 / std::ldexp(1.0, int(s) + 3);
    for (const Target& tg : targets[s])
    {
      Design d;
      const Fixed* fx = nullptr;
      if (fixed)
        for (const Fixed& x : *fixed)
          if (x.s == int(s) && int(x.c.size()) == tg.taps)
            fx = &x;
      if (fx)
      {
        d.c = fx->c;
        d.fp = fp;
        d.att = Measure(d.c, fp);
        d.ok = true;
      }
      else
        d = DesignFor(tg.taps, tg.att, fp);
      if (!d.ok)
      {
        std::fprintf(stderr, "design failed: %s s=%zu t=%d\n", prefix, s, tg.taps);
        std::exit(1);
      }
      std::fprintf(stderr, "%s s=%zu t=%2d target %9.4f reached %9.4f fp %.9g%s\n", prefix, s, tg.taps,
                   tg.att, d.att, d.fp, d.fp < fp ? " (narrowed)" : "");
      rows[s].filters.push_back(d);
    }
  }
  for (size_t s = 0; s < rows.size(); ++s)
    for (size_t i = 0; i < rows[s].filters.size(); ++i)
    {
      const Design& d = rows[s].filters[i];
      std::fprintf(f, "alignas(16) const double %s_s%zu_t%zu[%zu] = {\n", prefix, s, d.c.size(), d.c.size());
      for (double v : d.c)
        std::fprintf(f, "  %.17g,\n", v);
      std::fprintf(f, "};\n");
    }
  for (size_t s = 0; s < rows.size(); ++s)
  {
    std::fprintf(f, "const SHalfBandFilter %s_row%zu[%zu] = {\n", prefix, s, rows[s].filters.size());
    for (size_t i = 0; i < rows[s].filters.size(); ++i)
    {
      const Design& d = rows[s].filters[i];
      std::fprintf(f, "  {%s_s%zu_t%zu, %zu, %.4f, %.6f, %.17g},\n", prefix, s, d.c.size(), d.c.size(),
                   targets[s][i].att, d.att, d.fp);
    }
    std::fprintf(f, "};\n");
  }
}

} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: %s <output.cpp>\n", argv[0]);
    return 2;
  }
  FILE* f = std::fopen(argv[1], "w");
  if (!f)
  {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(f, "// Generated by tools/rsmp_halfband_gen: equiripple half-band filters of the\n"
                  "// resampler's 2x stages. Do not edit; rerun the generator instead.\n\n"
                  "#include \"resampler/HalfBandTables.h\"\n\nnamespace rsmp {\n\nnamespace {\n\n");
  EmitFamily(f, "kPow2", kPow2Targets, &kPow2Fixed, false);
  EmitFamily(f, "kThird", kThirdTargets, nullptr, true);
  std::fprintf(f, "\n} // namespace\n\n");
  for (const char* p : {"kPow2", "kThird"})
  {
    const auto& tg = std::string(p) == "kPow2" ? kPow2Targets : kThirdTargets;
    std::fprintf(f, "const SHalfBandRow %sHalfBandRows[kHalfBandRowCount] = {\n", p);
    for (size_t s = 0; s < tg.size(); ++s)
      std::fprintf(f, "  {%s_row%zu, %zu},\n", p, s, tg[s].size());
    std::fprintf(f, "};\n\n");
  }
  std::fprintf(f, "} // namespace rsmp\n");
  std::fclose(f);
  return 0;
}
