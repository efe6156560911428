// Small text helpers of the settings files.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvr {

// The pattern with %1..%9 replaced by the arguments.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args);

// Without blanks and tabs at either end.
std::string Trim(std::string_view text);

// The whole text as a decimal number with at most one sign, a decimal comma
// taken as a point ("inf" and "nan" are none).
std::optional<double> WholeNumber(std::string text);
// The whole text as an integer with at most one sign.
std::optional<long long> WholeInteger(const std::string& text);

// "a, b, c".
std::string JoinNames(const std::vector<std::string>& names);

}  // namespace kvr
