#include "plugin/NumberText.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace orbex9 {

namespace {

bool IsBlank(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view t)
{
  while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
  return t;
}

} // namespace

std::string FormatFixed6(double value)
{
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed, 6);
  if (res.ec != std::errc()) return "0.000000";
  return std::string(buf, res.ptr);
}

std::string FormatValue(double value)
{
  std::string text = FormatFixed6(value);
  if (!std::isfinite(value)) return text;
  double back = 0.0;
  // -0.0 prints as "-0.000000" and reads back as -0.0: equal, and the sign is kept.
  if (ParseDouble(text, back) && back == value) return text;
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed);
  if (res.ec != std::errc()) return text;
  return std::string(buf, res.ptr);
}

bool ParseDouble(std::string_view text, double& value)
{
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  double v = 0.0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return false;
  value = v;
  return true;
}

bool ParseLeadingInt(std::string_view text, int& value)
{
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long v = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), v, 10);
  if (res.ec != std::errc() || v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

} // namespace orbex9
