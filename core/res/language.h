// The two languages, and a text in both.
#pragma once

#include <string_view>

namespace kvr {

// Each deliverable is built for one language; the core serves both.
enum class Language { English, German };

// One user-visible text in both languages.
struct Text {
    std::string_view en;
    std::string_view de;
};

constexpr std::string_view Pick(Language lang, const Text& text) {
    return lang == Language::German ? text.de : text.en;
}

}  // namespace kvr
