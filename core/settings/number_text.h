// Number parsing with the rules of the C library's scanf conversions "%Nd"
// and "%Nf": leading blanks are skipped, then at most `width` characters
// are taken. Independent of the C locale, which a GUI toolkit may have set
// to one with a decimal comma.
#pragma once

#include <string_view>

namespace kvr {

// "%Nd": optional sign, then decimal digits. False when no digit was taken.
bool ScanInt(std::string_view text, int width, int& value);

// "%Nf": optional sign, digits with an optional decimal point, optional
// exponent; rounded to single precision. Only decimal notation is accepted
// (no "nan", "inf" or hexadecimal forms). False when no digit was taken.
bool ScanFloat(std::string_view text, int width, float& value);

}  // namespace kvr
