#include "host/DecimalNumber.h"

#include <cmath>
#include <cstdlib>

namespace orbexhost {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits from i on; how many were passed.
size_t SkipDigits(const std::string& text, size_t& i) {
  const size_t from = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i - from;
}

}  // namespace

bool ParseDecimal(const std::string& text, double& out) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = SkipDigits(text, i);
  if (i < text.size() && text[i] == '.') {
    ++i;
    digits += SkipDigits(text, i);
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (SkipDigits(text, i) == 0) return false;
  }
  if (i != text.size()) return false;
  // The text is now plain decimal, which strtod reads whole.
  const double v = std::strtod(text.c_str(), nullptr);
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

}  // namespace orbexhost
