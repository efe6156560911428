// scanf's "%Nd" and "%Nf" conversions, without the C locale.
#include "settings/number_text.h"

#include <cstddef>
#include <string>
#include <system_error>

#include "settings/decimal_parse.h"

namespace kvr {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The characters scanf may consume for a conversion of the given width.
std::string_view Field(std::string_view text, int width) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    text.remove_prefix(start);
    if (width < 0) width = 0;
    return text.substr(0, static_cast<std::size_t>(width));
}

// An optional sign at i; moves i past it and tells whether it was '-'.
bool TakeSign(std::string_view field, std::size_t& i) {
    if (i >= field.size() || (field[i] != '+' && field[i] != '-')) return false;
    return field[i++] == '-';
}

}  // namespace

bool ScanInt(std::string_view text, int width, int& value) {
    const std::string_view field = Field(text, width);
    std::size_t i = 0;
    const bool negative = TakeSign(field, i);
    const std::size_t firstDigit = i;
    long long result = 0;
    while (i < field.size() && IsDigit(field[i])) {
        // Widths stay far below the range of int; the cap only guards a
        // caller that passes a huge width.
        if (result < 1000000000000LL) result = result * 10 + (field[i] - '0');
        ++i;
    }
    if (i == firstDigit) return false;
    if (negative) result = -result;
    if (result > 2147483647LL) result = 2147483647LL;
    if (result < -2147483647LL - 1) result = -2147483647LL - 1;
    value = static_cast<int>(result);
    return true;
}

bool ScanFloat(std::string_view text, int width, float& value) {
    const std::string_view field = Field(text, width);
    std::size_t i = 0;
    const bool negative = TakeSign(field, i);
    const std::size_t numberStart = i;
    std::size_t digits = 0;
    while (i < field.size() && IsDigit(field[i])) {
        ++i;
        ++digits;
    }
    if (i < field.size() && field[i] == '.') {
        ++i;
        while (i < field.size() && IsDigit(field[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) return false;
    std::size_t end = i;
    // An exponent counts only with at least one digit; "2e" reads as 2.
    if (i < field.size() && (field[i] == 'e' || field[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < field.size() && (field[j] == '+' || field[j] == '-')) ++j;
        const std::size_t expDigits = j;
        while (j < field.size() && IsDigit(field[j])) ++j;
        if (j > expDigits) end = j;
    }
    const std::string number(field.substr(numberStart, end - numberStart));
    float parsed = 0.0f;
    const auto [ptr, ec] = ParseDecimal(number.data(), number.data() + number.size(), parsed);
    if (ec == std::errc::result_out_of_range) {
        // Like strtof: overflow saturates, underflow gives zero.
        const bool tiny = number.find_first_of("123456789") == std::string::npos ||
                          number.find("e-") != std::string::npos ||
                          number.find("E-") != std::string::npos;
        parsed = tiny ? 0.0f : 3.40282347e38f;
    } else if (ec != std::errc() || ptr == number.data()) {
        return false;
    }
    value = negative ? -parsed : parsed;
    return true;
}

}  // namespace kvr
