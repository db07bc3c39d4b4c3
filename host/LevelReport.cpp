#include "host/LevelReport.h"

#include "host/JsonText.h"
#include "host/TruePeakMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace orbexhost {

double ToDb(double linear) {
  if (!(linear > 0.0)) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(linear);
}

namespace {

double SamplePeak(const AudioData& data, int64_t* nonFinite) {
  double peak = 0.0;
  for (const auto& ch : data.channels)
    for (const float s : ch) {
      if (!std::isfinite(s)) {
        if (nonFinite != nullptr) ++*nonFinite;
        continue;
      }
      peak = std::max(peak, static_cast<double>(std::fabs(s)));
    }
  return peak;
}

std::string DbText(double db) {
  if (std::isnan(db)) return "n/a";
  if (std::isinf(db)) return db < 0 ? "-inf" : "inf";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", db);
  return buf;
}

}  // namespace

double MaxGainReductionDb(const AudioData& in, const AudioData& out, const GainModel& gains) {
  return MaxGainReductionDb(in, out, std::vector<GainSegment>{{0, gains}});
}

double MaxGainReductionDb(const AudioData& in, const AudioData& out, const std::vector<GainSegment>& segments) {
  double worst = 0.0;
  const size_t nch = std::min(in.channels.size(), out.channels.size());
  for (size_t c = 0; c < nch; ++c) {
    const auto& x = in.channels[c];
    const auto& y = out.channels[c];
    const size_t n = std::min(x.size(), y.size());
    GainModel gains;
    size_t next = 0;
    for (size_t i = 0; i < n; ++i) {
      while (next < segments.size() && segments[next].fromFrame <= static_cast<int64_t>(i)) gains = segments[next++].gains;
      const double limit = gains.limitLevel;
      const double gained = std::fabs(static_cast<double>(x[i]) * gains.inputGain);
      if (!std::isfinite(gained) || gained < limit || gained <= 0.0) continue;
      const double o = std::fabs(static_cast<double>(y[i]));
      if (!std::isfinite(o)) continue;
      // Silence where the gained input was loud counts as the deepest reduction
      // a float can show (about 150 dB below full scale).
      const double ratio = gained * gains.outputGain / std::max(o, 1e-7 * limit);
      worst = std::max(worst, 20.0 * std::log10(ratio));
    }
  }
  return worst;
}

LevelReport MeasureLevels(const AudioData& in, const AudioData& out, const GainModel& gains) {
  return MeasureLevels(in, out, std::vector<GainSegment>{{0, gains}});
}

LevelReport MeasureLevels(const AudioData& in, const AudioData& out, const std::vector<GainSegment>& gains) {
  LevelReport r;
  r.inputPeakDb = ToDb(SamplePeak(in, &r.nonFiniteInputSamples));
  r.outputPeakDb = ToDb(SamplePeak(out, nullptr));
  TruePeakMeter meter(out.NumChannels());
  for (int c = 0; c < out.NumChannels(); ++c)
    meter.Process(c, out.channels[static_cast<size_t>(c)].data(), out.NumFrames());
  meter.Finish();
  r.outputTruePeakDb = ToDb(meter.Peak());
  r.maxGainReductionDb = MaxGainReductionDb(in, out, gains);
  r.frames = static_cast<int64_t>(in.NumFrames());
  return r;
}

std::string ReportText(const LevelReport& r) {
  char buf[1024];
  char speed[32];
  if (std::isfinite(r.realtimeFactor))
    std::snprintf(speed, sizeof speed, "%.1fx realtime", r.realtimeFactor);
  else
    std::snprintf(speed, sizeof speed, "too fast to time");
  std::snprintf(buf, sizeof buf,
                "input peak           %s dBFS\n"
                "output peak          %s dBFS\n"
                "output true peak     %s dBTP (4x oversampled)\n"
                "max gain reduction   %s dB\n"
                "latency              %lld samples\n"
                "frames               %lld\n"
                "non-finite input     %lld samples\n"
                "speed                %s\n",
                DbText(r.inputPeakDb).c_str(), DbText(r.outputPeakDb).c_str(), DbText(r.outputTruePeakDb).c_str(),
                DbText(r.maxGainReductionDb).c_str(), static_cast<long long>(r.latencySamples),
                static_cast<long long>(r.frames), static_cast<long long>(r.nonFiniteInputSamples), speed);
  return buf;
}

std::string ReportJson(const LevelReport& r) {
  std::string s = "{";
  s += "\"input_peak_dbfs\": " + JsonNumber(r.inputPeakDb);
  s += ", \"output_peak_dbfs\": " + JsonNumber(r.outputPeakDb);
  s += ", \"output_true_peak_dbfs\": " + JsonNumber(r.outputTruePeakDb);
  s += ", \"max_gain_reduction_db\": " + JsonNumber(r.maxGainReductionDb);
  s += ", \"latency_samples\": " + std::to_string(r.latencySamples);
  s += ", \"frames\": " + std::to_string(r.frames);
  s += ", \"nonfinite_input_samples\": " + std::to_string(r.nonFiniteInputSamples);
  s += ", \"realtime_factor\": " + JsonNumber(r.realtimeFactor);
  s += "}\n";
  return s;
}

}  // namespace orbexhost
