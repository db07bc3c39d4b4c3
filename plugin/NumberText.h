#pragma once
// Numbers as text, independent of the C locale: preset documents and settings files are read
// and written the same way whatever locale the host application runs in. Any thread.

#include <string>
#include <string_view>

namespace orbex9 {

/** printf "%f" form (six decimals, '.' as separator); "nan"/"inf" for non-finite values. */
std::string FormatFixed6(double value);

/** Parses a decimal floating-point text ("-0.5", "1e3", leading '+' accepted; surrounding
 *  blanks allowed). False when the text is not entirely one number. */
bool ParseDouble(std::string_view text, double& value);

/** Parses an optionally signed decimal integer at the start of text ("12abc" gives 12, as
 *  a "%d" conversion would, after optional leading blanks). False when no digit is there or
 *  the value does not fit an int. */
bool ParseLeadingInt(std::string_view text, int& value);

} // namespace orbex9
