#pragma once
// The command line of tessaline-record.
#include <cstdint>
#include <string>

namespace tess {

inline constexpr const char* kRecordUsage = "usage: tessaline-record [--interval MS] FILE";

// What --help prints.
inline constexpr const char* kRecordHelp =
    "usage: tessaline-record [--interval MS] FILE\n"
    "Records mouse and keyboard on the desktop until Pause, Ctrl+Alt+Q, Ctrl+C or\n"
    "SIGTERM, then writes the recording to the scenario FILE.\n"
    "\n"
    "  --interval MS   the pace of the recorded lines in milliseconds (default 10)\n"
    "  -h, --help      print this help and exit\n"
    "  --version       print the version and exit\n"
    "\n"
    "Exit status: 0 when FILE is written; 2 when there is no desktop to record (X11\n"
    "only) or FILE cannot be written. See tessaline-record(1).\n";

struct RecordOptions {
    uint32_t intervalMs = 10;
    std::string file;
    bool help = false;
};

// False with a one-line reason for anything it cannot read.
bool ParseRecordOptions(int argc, const char* const* argv, RecordOptions& options, std::string& error);

// Whether a scenario can be written to `path` (its folder exists and takes
// new files, and the name is not a folder); false with a reason.
bool CanWriteScenario(const std::string& path, std::string& error);

}  // namespace tess
