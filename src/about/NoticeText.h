#pragma once
// Turns the bytes of the update notice file into the text shown to the user.
#include <string>
#include <string_view>

namespace tess {

// Reads the file's lines in order and puts a carriage return before each one,
// so the result begins with a carriage return (or is empty for an empty
// file). A carriage return ends a line and a line feed right after it belongs
// to that break; a line feed anywhere else stays inside the line. A Ctrl+Z
// (26) ends the file: nothing from it on is read. A last line without a break
// is read like the others.
std::string NoticeText(std::string_view bytes);

// The notice as UTF-8 for the screen: text that is not valid UTF-8 is read
// as Windows-1252, like scenario files, and a NUL shows as nothing.
std::string NoticeUtf8(std::string_view text);

}  // namespace tess
