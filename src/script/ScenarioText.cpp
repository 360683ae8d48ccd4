#include "script/ScenarioText.h"

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

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file = PathFromUtf8(path);
    const fs::file_status status = fs::status(file, ec);
    if (status.type() == fs::file_type::not_found) {
        error = path + ": no such file";
        return false;
    }
    if (status.type() == fs::file_type::directory) {
        error = path + ": is a directory, not a scenario file";
        return false;
    }
    // A pipe would wait for a writer and a device may never end: only a
    // plain file holds a scenario.
    if (status.type() != fs::file_type::regular && status.type() != fs::file_type::none) {
        error = path + ": is not a plain file, not a scenario file";
        return false;
    }
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read (" + std::strerror(errno) + ")";
        return false;
    }
    bytes.clear();
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0)
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    const bool failed = in.bad();
    const int readErrno = errno;
    if (failed) {
        error = path + ": cannot be read (" + std::strerror(readErrno) + ")";
        return false;
    }
    return true;
}

bool ReadScenarioFile(const std::string& path, std::vector<std::string>& lines,
                      std::string& error) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes, error)) return false;
    lines = DecodeScenario(bytes);
    return true;
}

bool WriteScenarioFile(const std::string& path, const std::vector<std::string>& lines,
                       std::string& error) {
    const std::filesystem::path target = PathFromUtf8(path);
    const std::filesystem::path temp = PathFromUtf8(path + ".saving~");
    const std::string bytes = EncodeScenario(lines);
    errno = 0;
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = path + ": cannot be written (" + std::strerror(errno) + ")";
        return false;
    }
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bool ok = static_cast<bool>(file.flush());
    int writeErrno = errno;
    file.close();
    if (file.fail() && ok) ok = false, writeErrno = errno;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temp, target, ec);
        if (!ec) return true;
        error = path + ": cannot be written (" + ec.message() + ")";
    } else {
        error = path + ": cannot be written (" + std::strerror(writeErrno) + ")";
    }
    std::filesystem::remove(temp, ec);
    return false;
}

}  // namespace tess
