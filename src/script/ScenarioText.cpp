#include "script/ScenarioText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <type_traits>

#include "script/Utf8.h"

namespace tess {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::filesystem::path PathFromUtf8(const std::string& name) {
    // Where the system's names are bytes they are used as given; where they
    // are UTF-16 (Windows) the UTF-8 is converted, not read in a code page.
    if constexpr (std::is_same_v<std::filesystem::path::value_type, char>) {
        return std::filesystem::path(name);
    } else {
        return std::filesystem::path(std::u8string(name.begin(), name.end()));
    }
}

std::vector<std::string> DecodeScenario(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(3);
    std::string converted;
    if (!IsValidUtf8(bytes)) {
        converted = Windows1252ToUtf8(bytes);
        bytes = converted;
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const bool lastWithoutEnd = end == std::string_view::npos;
        if (lastWithoutEnd) end = bytes.size();
        std::size_t textEnd = end;
        // A carriage return before the line end belongs to it. So does one
        // closing a last line without a line feed (a CRLF file cut short):
        // kept as text, it would be lost the next time the file is saved.
        if (textEnd > start && bytes[textEnd - 1] == '\r') --textEnd;
        lines.emplace_back(bytes.substr(start, textEnd - start));
        start = end + 1;
    }
    return lines;
}

std::string EncodeScenario(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) size += line.size() + 2;
    std::string out;
    out.reserve(size + 3);
    // Reading drops a byte order mark at the start of the file; a first line
    // that begins with that character gets one in front to drop instead.
    if (!lines.empty() && lines.front().starts_with(kByteOrderMark)) out += kByteOrderMark;
    for (const auto& line : lines) {
        out += line;
        // Reading drops one carriage return before a line feed, so a line
        // that ends in one gets a CRLF end and comes back whole.
        if (!line.empty() && line.back() == '\r') out += '\r';
        out += '\n';
    }
    return out;
}

bool CheckScenarioSize(std::string_view bytes, std::string& why) {
    if (bytes.size() > kMaxScenarioBytes) {
        why = "it is larger than " + std::to_string(kMaxScenarioBytes >> 20) + " MiB, which no scenario is";
        return false;
    }
    std::size_t lines = 0;
    for (std::size_t at = 0; at < bytes.size(); ++lines) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
        if (end - at > kMaxLineBytes) {
            why = "line " + std::to_string(lines + 1) + " is longer than " +
                  std::to_string(kMaxLineBytes >> 20) + " MiB, which no action line is";
            return false;
        }
        at = end + 1;
    }
    if (lines > kMaxScenarioLines) {
        why = "it has more than " + std::to_string(kMaxScenarioLines) + " lines, which no scenario has";
        return false;
    }
    return true;
}

bool ReadScenarioFile(const std::string& path, std::vector<std::string>& lines,
                      std::string& error) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes, error)) return false;
    std::string why;
    if (!CheckScenarioSize(bytes, why)) {
        error = path + ": " + why;
        return false;
    }
    lines = DecodeScenario(bytes);
    return true;
}

}  // namespace tess
