#pragma once
// The command line of tessaline-record.
#include <cstdint>
#include <string>

namespace tess {

inline constexpr const char* kRecordUsage = "usage: tessaline-record [--interval MS] FILE";

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
