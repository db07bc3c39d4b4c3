// The path-data grammar: commands with absolute and relative coordinates, implicit repeats,
// smooth curves reflecting the previous control point, and arcs with packed flags.
#include <cctype>

#include "graphics/svg/SVGPathBuilder.h"
#include "graphics/svg/SVGScan.h"

namespace fx::svg::detail {

namespace {

int arity(char cmd)
{
  switch (cmd | 0x20) // lower case
  {
  case 'm': case 'l': case 't': return 2;
  case 'h': case 'v': return 1;
  case 'c': return 6;
  case 's': case 'q': return 4;
  case 'a': return 7;
  case 'z': return 0;
  default: return -1;
  }
}

bool readArgs(Scanner& s, char cmd, double* v)
{
  const int n = arity(cmd);
  for (int i = 0; i < n; i++)
  {
    if (i > 0) s.skipSeparator();
    if ((cmd | 0x20) == 'a' && (i == 3 || i == 4))
    {
      bool f;
      if (!s.flag(f)) return false;
      v[i] = f ? 1 : 0;
    }
    else if (!s.number(v[i]))
    {
      return false;
    }
  }
  return true;
}

} // namespace

void parsePathData(std::string_view d, PathBuilder& b)
{
  Scanner s(d);
  char cmd = 0;      // command in force
  char previous = 0; // the command last carried out, for smooth curves (0 before the first)
  double lastCx = 0, lastCy = 0; // its last control point
  s.skipSpace();
  while (!s.atEnd() && !b.failed())
  {
    const char c = s.peek();
    if (std::isalpha(static_cast<unsigned char>(c)))
    {
      if (arity(c) < 0) return;
      cmd = c;
      s.advance();
      s.skipSpace();
    }
    else if (cmd == 0 || (cmd | 0x20) == 'z')
    {
      return; // numbers with no command to repeat
    }
    if (cmd == 0 || (previous == 0 && (cmd | 0x20) != 'm')) return; // data must open with a move
    const char done = cmd;
    double v[7];
    if (!readArgs(s, cmd, v)) return;
    const bool rel = cmd >= 'a';
    const double x0 = b.x(), y0 = b.y();
    const double ox = rel ? x0 : 0, oy = rel ? y0 : 0;
    double cx = x0, cy = y0; // this segment's last control point, for the next smooth one
    const bool smoothCubic = (previous | 0x20) == 'c' || (previous | 0x20) == 's';
    const bool smoothQuad = (previous | 0x20) == 'q' || (previous | 0x20) == 't';
    switch (cmd | 0x20)
    {
    case 'm':
      b.moveTo(ox + v[0], oy + v[1]);
      cmd = rel ? 'l' : 'L'; // further pairs are lines
      break;
    case 'l': b.lineTo(ox + v[0], oy + v[1]); break;
    case 'h': b.lineTo(ox + v[0], y0); break;
    case 'v': b.lineTo(x0, oy + v[0]); break;
    case 'c':
      b.cubicTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3], ox + v[4], oy + v[5]);
      cx = ox + v[2], cy = oy + v[3];
      break;
    case 's':
    {
      const double x1 = smoothCubic ? 2 * x0 - lastCx : x0, y1 = smoothCubic ? 2 * y0 - lastCy : y0;
      b.cubicTo(x1, y1, ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
      cx = ox + v[0], cy = oy + v[1];
      break;
    }
    case 'q':
      b.quadTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
      cx = ox + v[0], cy = oy + v[1];
      break;
    case 't':
    {
      cx = smoothQuad ? 2 * x0 - lastCx : x0, cy = smoothQuad ? 2 * y0 - lastCy : y0;
      b.quadTo(cx, cy, ox + v[0], oy + v[1]);
      break;
    }
    case 'a': b.arcTo(v[0], v[1], v[2], v[3] != 0, v[4] != 0, ox + v[5], oy + v[6]); break;
    case 'z': b.close(); break;
    }
    previous = done;
    lastCx = cx, lastCy = cy;
    s.skipSeparator();
  }
}

} // namespace fx::svg::detail
