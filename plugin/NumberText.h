#pragma once
// Numbers as text, independent of the C locale: preset documents and settings files are read
// and written the same way whatever locale the host application runs in. Any thread.

#include <string>
#include <string_view>

namespace orbex9 {

/** printf "%f" form (six decimals, '.' as separator); "nan"/"inf" for non-finite values. */
std::string FormatFixed6(double value);

/** A value as preset documents hold it: the "%f" form whenever that text reads back as exactly
 *  the same double, else the shortest fixed-notation text that does (so "6.250000", but
 *  "7.300000190734863" for the float 7.3f a host sent). "nan"/"inf" for non-finite values. */
std::string FormatValue(double value);

/** Parses a decimal floating-point text ("-0.5", "1e3", leading '+' accepted; surrounding
 *  blanks allowed). False when the text is not entirely one number. */
bool ParseDouble(std::string_view text, double& value);

/** Parses an optionally signed decimal integer at the start of text ("12abc" gives 12, as
 *  a "%d" conversion would, after optional leading blanks). False when no digit is there or
 *  the value does not fit an int. */
bool ParseLeadingInt(std::string_view text, int& value);

} // namespace orbex9
