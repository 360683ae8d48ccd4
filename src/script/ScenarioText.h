#pragma once
// Scenario files: one action line per line, each followed by a line feed.
// Reading accepts LF and CRLF and a last line without a line end; a file
// that is not valid UTF-8 is read as Windows-1252 (scenarios written on
// Windows) and converted, so lines in memory are always UTF-8.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// A file name as the program holds it (UTF-8) as the system's path.
std::filesystem::path PathFromUtf8(const std::string& name);

// 'a\n\n' gives "a" and ""; an empty file gives no lines. A UTF-8 byte
// order mark at the very start is dropped.
std::vector<std::string> DecodeScenario(std::string_view bytes);

// Every line followed by "\n" ("\r\n" after a line that ends in "\r"); a
// byte order mark first when the first line begins with U+FEFF.
std::string EncodeScenario(const std::vector<std::string>& lines);

// Reads a whole file. On failure returns false and sets `error` to one line
// naming the file and the reason (missing, a directory, unreadable).
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error);

// Reads and decodes a scenario file.
bool ReadScenarioFile(const std::string& path, std::vector<std::string>& lines,
                      std::string& error);

// Writes a scenario file. The lines go to a temporary file beside the
// target first, which then replaces it, so a failed write leaves the old
// file as it was.
bool WriteScenarioFile(const std::string& path, const std::vector<std::string>& lines,
                       std::string& error);

}  // namespace tess
