#pragma once
// UTF-8, as the program holds text, to and from UTF-16, as Windows takes it.
#include <string>
#include <string_view>

namespace tess::win {

// Invalid UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace tess::win
