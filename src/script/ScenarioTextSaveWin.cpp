// Saving a scenario file on Windows: the new text goes into a file of a
// fresh random name beside the target, is flushed, and replaces the target
// in one rename (MoveFileEx with replacement underneath), so a failure or a
// crash leaves the old file whole. Names are UTF-8 and opened as wide paths.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "script/ScenarioText.h"

namespace tess {

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
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxScenarioBytes) break;  // refused by the size check
    }
    const bool failed = in.bad();
    const int readErrno = errno;
    if (failed) {
        error = path + ": cannot be read (" + std::strerror(readErrno) + ")";
        return false;
    }
    return true;
}

// A folder that takes no new file is not worked around here: the save
// fails and says why, and the old file stays as it was.
bool WriteScenarioFile(const std::string& path, const std::vector<std::string>& lines,
                       std::string& error, const std::string& /*copyFolder*/) {
    const std::filesystem::path target = PathFromUtf8(path);
    std::random_device random;
    const std::filesystem::path temp =
        PathFromUtf8(path + ".saving-" + std::to_string(random()) + "~");
    const std::string bytes = EncodeScenario(lines);
    errno = 0;
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = std::strerror(errno);
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
        error = ec.message();
    } else {
        error = std::strerror(writeErrno);
    }
    std::filesystem::remove(temp, ec);
    return false;
}

}  // namespace tess
