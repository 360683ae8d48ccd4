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

// Bounds far beyond any real scenario that keep a hostile file from
// exhausting memory or freezing the program: the file's size, one line's
// length (a million characters typed by one Write take minutes), and the
// number of lines.
inline constexpr std::size_t kMaxScenarioBytes = std::size_t(256) << 20;
inline constexpr std::size_t kMaxLineBytes = std::size_t(1) << 20;
inline constexpr std::size_t kMaxScenarioLines = std::size_t(16) << 20;

// Whether a file's content is within those bounds; false with the reason
// (which bound, in one phrase without the file's name).
bool CheckScenarioSize(std::string_view bytes, std::string& why);

// Reads a whole file (at most a little more than kMaxScenarioBytes: a
// larger file fails the size check). Opens without blocking: only a plain
// file is read. On failure returns false and sets `error` to one line
// naming the file and the reason (missing, a directory, unreadable).
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error);

// Reads, checks the bounds of and decodes a scenario file.
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
