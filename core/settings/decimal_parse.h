// Decimal numbers parsed alike where the C++ library lacks from_chars for floating point.
#pragma once

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <string>
#include <system_error>

namespace kvr {

// std::from_chars for a float or double where the C++ library has it. Some
// (the WebAssembly build's) lack it: strtof/strtod there, on the text with
// the C library's decimal point and without what only they accept (leading
// blanks, a sign '+', hexadecimal), giving the same results and error codes.
template <class T>
std::from_chars_result ParseDecimal(const char* begin, const char* end, T& value) {
#if defined(__cpp_lib_to_chars)
    return std::from_chars(begin, end, value);
#else
    std::string local(begin, end);
    const std::size_t digits = !local.empty() && local[0] == '-' ? 1 : 0;
    const bool refused = local.size() <= digits || local[digits] == '+' || local[digits] == ' ' ||
                         local[digits] == '\t' || local[digits] == '\n' ||
                         (local.size() > digits + 1 && local[digits] == '0' &&
                          (local[digits + 1] == 'x' || local[digits + 1] == 'X'));
    if (refused) return {begin, std::errc::invalid_argument};
    const char* point = std::localeconv()->decimal_point;
    if (const std::size_t dot = local.find('.'); dot != std::string::npos && point != nullptr) {
        local.replace(dot, 1, point);
    }
    char* stop = nullptr;
    errno = 0;
    T parsed{};
    if constexpr (sizeof(T) == sizeof(float)) {
        parsed = std::strtof(local.c_str(), &stop);
    } else {
        parsed = std::strtod(local.c_str(), &stop);
    }
    // The decimal point may be longer than '.': count the characters used
    // in the text as given.
    std::size_t used = static_cast<std::size_t>(stop - local.c_str());
    if (used > 0 && point != nullptr && local.find(point) < used)
        used -= std::string(point).size() - 1;
    if (used == 0) return {begin, std::errc::invalid_argument};
    if (errno == ERANGE) return {begin + used, std::errc::result_out_of_range};
    value = parsed;
    return {begin + used, std::errc()};
#endif
}

}  // namespace kvr
