#include "host/LevelReport.h"

#include "host/JsonText.h"
#include "host/MessageText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace orbexhost {

double ToDb(double linear) {
  if (!(linear > 0.0)) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(linear);
}

std::string WithoutMinusZero(const std::string& text) {
  if (text.empty() || text[0] != '-') return text;
  size_t i = 1;
  bool digits = false;
  for (; i < text.size() && (text[i] == '0' || text[i] == '.'); ++i) digits |= text[i] == '0';
  const bool more = i < text.size() && text[i] >= '1' && text[i] <= '9';
  return digits && !more ? text.substr(1) : text;
}

namespace {

constexpr float kLargestFloat = std::numeric_limits<float>::max();

std::string DbText(double db) {
  if (std::isnan(db)) return "n/a";
  if (std::isinf(db)) return db < 0 ? "-inf" : "inf";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", db);
  return WithoutMinusZero(buf);
}

std::string SourceText(const ParamSetting& s) {
  if (s.source == "default") return "component default";
  if (s.source == "default preset") return "default preset file " + s.origin;
  if (s.source == "state") return "--load-state " + s.origin;
  if (s.source == "preset") return "--preset " + s.origin;
  return "--" + s.source;
}

// text followed by spaces up to width bytes.
std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

LevelMeter::LevelMeter(int channels, double sampleRate, std::vector<GainSegment> gains)
    : mChannels(std::max(channels, 0)),
      mSegments(std::move(gains)),
      mWindowFrames(std::max<int64_t>(1, std::llround(kGainWindowSeconds * sampleRate))),
      mWindows(static_cast<size_t>(mChannels)),
      mTruePeak(mChannels) {}

void LevelMeter::CloseWindows() {
  for (Window& w : mWindows) {
    if (w.limit > 0.0) {
      // Silence where the gained input was loud counts as the deepest
      // reduction a float can show (about 150 dB below the limit).
      const double ratio = w.unlimited / std::max(w.out, 1e-7 * w.limit);
      mWorstDb = std::max(mWorstDb, 20.0 * std::log10(ratio));
    }
    w = Window();
  }
  mInWindow = 0;
}

void LevelMeter::Add(const float* const* in, const float* const* out, size_t n) {
  for (int c = 0; c < mChannels; ++c) mTruePeak.Process(c, out[c], n);
  for (size_t i = 0; i < n;) {
    while (mNextSegment < mSegments.size() && mSegments[mNextSegment].fromFrame <= mFrames)
      mGains = mSegments[mNextSegment++].gains;
    // A run of frames inside one window under one gain model.
    int64_t run = std::min<int64_t>(static_cast<int64_t>(n - i), mWindowFrames - mInWindow);
    if (mNextSegment < mSegments.size()) run = std::min(run, mSegments[mNextSegment].fromFrame - mFrames);
    const double inputGain = mGains.inputGain, outputGain = mGains.outputGain, limit = mGains.limitLevel;
    for (int c = 0; c < mChannels; ++c) {
      const float* x = in[c] + i;
      const float* y = out[c] + i;
      Window& w = mWindows[static_cast<size_t>(c)];
      double inPeak = 0.0, unlimited = 0.0, outPeak = 0.0;
      int64_t nonFinite = 0;
      bool reached = false;
      // Branch-free, so the loop runs in vectors: a magnitude above the
      // largest float (or a NaN, which compares false) is not finite.
      for (int64_t k = 0; k < run; ++k) {
        const float ax = std::fabs(x[k]), ay = std::fabs(y[k]);
        const bool finite = ax <= kLargestFloat;
        nonFinite += finite ? 0 : 1;
        const double a = finite ? static_cast<double>(ax) : 0.0;
        const double gained = a * inputGain;
        inPeak = std::max(inPeak, a);
        unlimited = std::max(unlimited, gained * outputGain);
        reached |= gained >= limit && gained > 0.0;
        outPeak = std::max(outPeak, ay <= kLargestFloat ? static_cast<double>(ay) : 0.0);
      }
      mNonFinite += nonFinite;
      if (reached) w.limit = std::max(w.limit, limit);
      mInPeak = std::max(mInPeak, inPeak);
      mOutPeak = std::max(mOutPeak, outPeak);
      w.unlimited = std::max(w.unlimited, unlimited);
      w.out = std::max(w.out, outPeak);
    }
    i += static_cast<size_t>(run);
    mFrames += run;
    mInWindow += run;
    if (mInWindow == mWindowFrames) CloseWindows();
  }
}

LevelReport LevelMeter::Finish() {
  CloseWindows();
  mTruePeak.Finish();
  LevelReport r;
  r.inputPeakDb = ToDb(mInPeak);
  r.outputPeakDb = ToDb(mOutPeak);
  r.outputTruePeakDb = ToDb(mTruePeak.Peak());
  r.maxGainReductionDb = mWorstDb;
  r.frames = mFrames;
  r.nonFiniteInputSamples = mNonFinite;
  return r;
}

std::string ReportText(const LevelReport& r) {
  std::string s;
  if (!r.settings.empty()) {
    // Names, texts and files as one line each, however long or odd.
    s += "settings at the start of the render:\n";
    for (const ParamSetting& p : r.settings)
      s += "  " + Padded(Escaped(p.name), 20) + " " + Padded(Escaped(p.text), 14) + " " + Escaped(SourceText(p)) + "\n";
    s += "\n";
  }
  char line[1024];
  char speed[32];
  if (std::isfinite(r.realtimeFactor))
    std::snprintf(speed, sizeof speed, "%.1fx realtime", r.realtimeFactor);
  else
    std::snprintf(speed, sizeof speed, "too fast to time");
  std::snprintf(line, sizeof line,
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
  return s + line;
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
  s += ", \"settings\": [";
  for (size_t i = 0; i < r.settings.size(); ++i) {
    const ParamSetting& p = r.settings[i];
    s += std::string(i ? ", " : "") + "{\"name\": " + JsonString(p.name) + ", \"value\": " + JsonNumber(p.value) +
         ", \"text\": " + JsonString(p.text) + ", \"source\": " + JsonString(p.source);
    if (!p.origin.empty()) s += std::string(p.source == "preset" ? ", \"preset\": " : ", \"file\": ") + JsonString(p.origin);
    s += "}";
  }
  s += "]}\n";
  return s;
}

}  // namespace orbexhost
