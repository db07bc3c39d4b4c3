#include "graphics/svg/SVGScan.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace fx::svg::detail {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view trim(std::string_view s)
{
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
  {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

void Scanner::skipSpace()
{
  while (!atEnd() && isSpace(s_[pos_])) pos_++;
}

void Scanner::skipSeparator()
{
  skipSpace();
  if (peek() == ',') pos_++;
  skipSpace();
}

static bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool Scanner::number(double& out)
{
  size_t p = pos_;
  const size_t n = s_.size();
  const size_t start = p;
  if (p < n && (s_[p] == '+' || s_[p] == '-')) p++;
  const size_t mantissa = p;
  while (p < n && isDigit(s_[p])) p++;
  bool digits = p > mantissa;
  if (p < n && s_[p] == '.')
  {
    const size_t frac = ++p;
    while (p < n && isDigit(s_[p])) p++;
    digits = digits || p > frac;
  }
  if (!digits) return false;
  // An exponent only when digits follow: "1em" is a number and a unit.
  bool negativeExponent = false;
  if (p < n && (s_[p] == 'e' || s_[p] == 'E'))
  {
    size_t q = p + 1;
    negativeExponent = q < n && s_[q] == '-';
    if (q < n && (s_[q] == '+' || s_[q] == '-')) q++;
    if (q < n && isDigit(s_[q]))
    {
      while (q < n && isDigit(s_[q])) q++;
      p = q;
    }
    else
    {
      negativeExponent = false;
    }
  }
  const char* first = s_.data() + start + (s_[start] == '+' ? 1 : 0);
  double v = 0;
  const auto r = std::from_chars(first, s_.data() + p, v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range)
  {
    // Too small to represent is zero; too large is refused.
    if (!negativeExponent) return false;
    v = 0;
  }
  else if (r.ec != std::errc() || r.ptr != s_.data() + p)
  {
    return false;
  }
  if (!std::isfinite(v) || std::fabs(v) > double(std::numeric_limits<float>::max())) return false;
  out = v;
  pos_ = p;
  return true;
}

bool Scanner::match(std::string_view word)
{
  if (s_.substr(pos_, word.size()) != word) return false;
  pos_ += word.size();
  return true;
}

bool Scanner::length(Length& out)
{
  double v;
  if (!number(v)) return false;
  Unit u = Unit::Number;
  static constexpr struct { const char* name; Unit unit; } units[] = {
    {"px", Unit::Px}, {"pt", Unit::Pt}, {"pc", Unit::Pc}, {"mm", Unit::Mm}, {"cm", Unit::Cm},
    {"in", Unit::In}, {"em", Unit::Em}, {"ex", Unit::Ex}, {"%", Unit::Percent},
  };
  for (const auto& e : units)
    if (match(e.name))
    {
      u = e.unit;
      break;
    }
  out = {v, u};
  return true;
}

bool Scanner::flag(bool& out)
{
  const char c = peek();
  if (c != '0' && c != '1') return false;
  out = c == '1';
  pos_++;
  return true;
}

namespace {

// The whole text is one item read by read(scanner, value), with white space around it allowed.
template <typename T, typename Read> bool parseWhole(std::string_view text, T& out, Read read)
{
  Scanner s(text);
  s.skipSpace();
  T v{};
  if (!read(s, v)) return false;
  s.skipSpace();
  if (!s.atEnd()) return false;
  out = v;
  return true;
}

} // namespace

bool parseLength(std::string_view text, Length& out)
{
  return parseWhole(text, out, [](Scanner& s, Length& l) { return s.length(l); });
}

bool parseNumber(std::string_view text, double& out)
{
  return parseWhole(text, out, [](Scanner& s, double& v) { return s.number(v); });
}

} // namespace fx::svg::detail
