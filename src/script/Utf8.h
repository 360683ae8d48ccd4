#pragma once
// UTF-8 helpers. Action lines are UTF-8 text; a "character" is one Unicode
// code point. Bytes that do not form valid UTF-8 are never an error: each
// such byte stands for its Windows-1252 character, the code page scenarios
// written on Windows use.
#include <cstddef>
#include <string>
#include <string_view>

namespace tess {

// The Unicode code point of a Windows-1252 byte. The five bytes that code
// page leaves undefined map to the C1 control of the same value.
char32_t Windows1252ToUnicode(unsigned char byte);

// Reads the character that starts at `pos` and moves `pos` past it. An
// invalid or truncated sequence yields its first byte as a Windows-1252
// character and advances by one byte. `pos` must be below text.size().
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// True when the text is well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

void AppendUtf8(std::string& out, char32_t ch);

// Converts Windows-1252 bytes to UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace tess
