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

std::optional<double> WholeNumber(std::string text) {
    const std::size_t comma = text.find(',');
    if (comma != std::string::npos) text[comma] = '.';
    if (!text.empty() && text[0] == '+') text.erase(0, 1);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = ParseDecimal(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<long long> WholeInteger(const std::string& text) {
    long long value = 0;
    const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value);
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
