// Fill, Trim and the whole-text number readers of the settings files.
#include "settings/settings_text.h"

#include <charconv>
#include <system_error>

#include "settings/decimal_parse.h"

namespace kvr {

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '9') {
            const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) out += *(args.begin() + n);
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

namespace {

// Where from_chars is to start in a number's text: past a '+', which it does
// not take itself. Nothing when no digit or point follows the one sign, as
// for the scanners that Write reads the fields with: a second sign, or the
// words "inf" and "nan" that from_chars knows, start no number.
std::optional<std::size_t> NumberStart(std::string_view text) {
    const std::size_t sign = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (text.size() <= sign) return std::nullopt;
    const char first = text[sign];
    if ((first < '0' || first > '9') && first != '.') return std::nullopt;
    return text[0] == '+' ? 1 : 0;
}

}  // namespace

std::optional<double> WholeNumber(std::string text) {
    const std::size_t comma = text.find(',');
    if (comma != std::string::npos) text[comma] = '.';
    const std::optional<std::size_t> start = NumberStart(text);
    if (!start) return std::nullopt;
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = ParseDecimal(text.data() + *start, end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<long long> WholeInteger(const std::string& text) {
    const std::optional<std::size_t> start = NumberStart(text);
    if (!start) return std::nullopt;
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data() + *start, end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += ", ";
        out += n;
    }
    return out;
}

}  // namespace kvr
