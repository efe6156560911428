// UTF-8 and UTF-16 texts converted for the Windows W calls.
#pragma once

#include <string>
#include <string_view>

namespace kvr::win32 {

// The program's texts are UTF-8; the W calls of Windows take UTF-16. Every
// text crosses here, so umlauts and the degree sign reach the screen intact.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace kvr::win32
