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

// Writes a scenario file through a link to the file it names, keeping the
// file's mode. The lines go to a new file in the target's folder first,
// which then replaces the target, and both the file and its folder are
// flushed: a failed or interrupted write leaves the old file as it was. A
// folder that takes no new file, over a file that may be written, gets the
// file rewritten in place once a copy of the old content is safe in
// `copyFolder` (the system's temporary folder when empty); the copy goes
// when the write succeeded or the old content was put back. On failure
// `error` is the reason, without the file's name; when the old content
// could not be put back it names the copy that holds it.
bool WriteScenarioFile(const std::string& path, const std::vector<std::string>& lines,
                       std::string& error, const std::string& copyFolder = {});

}  // namespace tess
