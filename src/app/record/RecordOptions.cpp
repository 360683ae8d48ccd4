#include "app/record/RecordOptions.h"

#include <unistd.h>

#include <charconv>
#include <filesystem>

namespace tess {

bool ParseRecordOptions(int argc, const char* const* argv, RecordOptions& options, std::string& error) {
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!endOfOptions && (arg == "--help" || arg == "-h")) {
            options.help = true;
        } else if (!endOfOptions && arg == "--interval") {
            if (i + 1 >= argc) {
                error = "--interval needs a number of milliseconds";
                return false;
            }
            const std::string value = argv[++i];
            uint32_t ms = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
            if (ec != std::errc() || end != value.data() + value.size() || ms == 0 || ms > 2147483647u) {
                error = "--interval takes a number of milliseconds from 1 to 2147483647, not '" + value + "'";
                return false;
            }
            options.intervalMs = ms;
        } else if (!endOfOptions && arg == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return false;
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            error = "only one FILE, not '" + arg + "' too";
            return false;
        }
    }
    if (options.file.empty() && !options.help) {
        error = "no FILE to write";
        return false;
    }
    return true;
}

bool CanWriteScenario(const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    if (fs::is_directory(target, ec)) {
        error = path + ": is a folder";
        return false;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) {
        error = path + ": no folder " + folder.string();
        return false;
    }
    // The file is written beside the target and renamed over it.
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = path + ": the folder " + folder.string() + " is not writable";
        return false;
    }
    return true;
}

}  // namespace tess
