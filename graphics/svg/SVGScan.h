#pragma once
// Scanning of the small grammars inside attribute values: numbers, lengths, flags and the
// separators between list items. Every reader leaves the scanner where it stopped and reports
// failure without moving, so callers can stop at the first bad item and keep what came before.

#include <cstddef>
#include <string_view>

namespace fx::svg::detail {

/** Length units of the reader; Number is a bare number (user units). */
enum class Unit : unsigned char { Number, Px, Pt, Pc, Mm, Cm, In, Em, Ex, Percent };

struct Length
{
  double value = 0;
  Unit unit = Unit::Number;
};

class Scanner
{
public:
  explicit Scanner(std::string_view text) : s_(text) {}

  bool atEnd() const { return pos_ >= s_.size(); }
  char peek() const { return atEnd() ? '\0' : s_[pos_]; }
  size_t pos() const { return pos_; }
  std::string_view rest() const { return s_.substr(pos_); }
  void advance(size_t n = 1) { pos_ = pos_ + n < s_.size() ? pos_ + n : s_.size(); }

  void skipSpace();
  /** Skips white space, at most one comma, and white space again. */
  void skipSeparator();
  /** A number of the SVG grammar (sign, digits, fraction, exponent), finite as a float. */
  bool number(double& out);
  /** A number followed by an optional unit (px, pt, pc, mm, cm, in, em, ex, %). */
  bool length(Length& out);
  /** An arc flag: exactly one '0' or '1' (it needs no separator after it). */
  bool flag(bool& out);
  /** Consumes `word` when the text continues with it. */
  bool match(std::string_view word);

private:
  std::string_view s_;
  size_t pos_ = 0;
};

bool isSpace(char c);
std::string_view trim(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);

/** The whole text is one length (white space around it allowed). */
bool parseLength(std::string_view text, Length& out);
/** The whole text is one number (white space around it allowed). */
bool parseNumber(std::string_view text, double& out);

} // namespace fx::svg::detail
