#pragma once
// What the editor tests need around a host run: a script written into the
// scratch folder, the pictures the host wrote, read back.
#include "HostRun.h"

#include "tests/support/ImageRead.h"

#include <fstream>
#include <string>
#include <vector>

namespace hosttest {

struct Picture {
  int w = 0, h = 0;
  std::vector<unsigned char> px;  // RGBA
  const unsigned char* at(int x, int y) const { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
};

inline Picture ReadPicture(const std::string& path) {
  testimage::Decoded d;
  if (!testimage::Read(path, d)) {
    ADD_FAILURE() << "cannot read the picture " << path;
    return Picture();
  }
  Picture p;
  p.w = d.width, p.h = d.height;
  p.px = std::move(d.rgba);
  return p;
}

inline bool Near(const unsigned char* p, const int (&rgb)[3], int tolerance = 6) {
  return std::abs(p[0] - rgb[0]) <= tolerance && std::abs(p[1] - rgb[1]) <= tolerance &&
         std::abs(p[2] - rgb[2]) <= tolerance;
}

// Pixels that differ by more than tolerance in any channel, inside x0..x1, y0..y1.
inline int DifferentPixels(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1, int tolerance = 8) {
  int n = 0;
  for (int y = y0; y < y1 && y < a.h && y < b.h; ++y)
    for (int x = x0; x < x1 && x < a.w && x < b.w; ++x)
      for (int c = 0; c < 3; ++c)
        if (std::abs(a.at(x, y)[c] - b.at(x, y)[c]) > tolerance) {
          ++n;
          break;
        }
  return n;
}

// Writes a second of a stereo 1 kHz tone of amplitude at 48 kHz to path; returns path.
inline std::string WriteTone(const std::string& path, double amplitude) {
  orbexhost::AudioData d;
  d.sampleRate = 48000;
  d.channels.assign(2, std::vector<float>(48000));
  for (auto& ch : d.channels)
    for (size_t i = 0; i < ch.size(); ++i)
      ch[i] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * 1000.0 * static_cast<double>(i) / 48000.0));
  WriteOrFail(path, d);
  return path;
}

class EditorHostTest : public HostTest {
protected:
  std::string Script(const std::string& name, const std::string& text) const {
    const std::string path = Path(name);
    std::ofstream(path) << text;
    return path;
  }
};

}  // namespace hosttest
