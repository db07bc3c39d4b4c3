#pragma once
// The one reading of a number the host takes from its command line and its
// scripts: plain decimal, so a value reads the same everywhere it is given.
// Any thread.

#include <string>

namespace orbexhost {

// text as a decimal number: an optional sign, digits with at most one
// decimal point, and an optional exponent ("-0.5", "12", ".25", "1e-3").
// Hexadecimal ("0x10"), "inf", "nan", blanks and values past a double's
// range are not numbers. False (out untouched) when text is not one.
bool ParseDecimal(const std::string& text, double& out);

}  // namespace orbexhost
