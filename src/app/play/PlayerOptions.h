#pragma once
// The command line of tessaline-play.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/DesktopSink.h"

namespace tess {

struct PlayerOptions {
    bool dryRun = false;
    bool repeat = false;
    bool haltOnError = false;
    bool help = false;
    int32_t start = 1;                 // the line Run starts from, counted from 1
    std::optional<uint64_t> maxTicks;  // no limit when absent
    std::optional<uint32_t> clockMs;   // ms since midnight UTC that seeds ranges
    DesktopChoice desktop = DesktopChoice::Auto;
    std::string file;
};

inline constexpr const char* kPlayerUsage =
    "usage: tessaline-play [--dry-run] [--repeat] [--halt-on-error] [--start N] "
    "[--max-ticks N] [--clock HH:MM:SS.mmm] [--desktop auto|x11|wayland|gnome] FILE";

// Fills `options` from the arguments; on bad usage returns false with a
// one-line reason in `error`.
bool ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions& options,
                        std::string& error);

// "HH:MM:SS.mmm" to milliseconds since midnight.
std::optional<uint32_t> ParseClock(const std::string& text);

}  // namespace tess
