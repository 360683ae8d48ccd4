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
    // Send a release of every button and modifier, and play nothing.
    bool releaseAll = false;
    int32_t start = 1;                 // the line Run starts from, counted from 1
    std::optional<uint64_t> maxTicks;  // no limit when absent
    std::optional<uint32_t> clockMs;   // ms since midnight UTC that seeds ranges
    DesktopChoice desktop = DesktopChoice::Auto;
    std::string file;
};

inline constexpr const char* kPlayerUsage =
    "usage: tessaline-play [--dry-run] [--repeat] [--halt-on-error] [--start N] "
    "[--max-ticks N] [--clock HH:MM:SS.mmm] [--desktop auto|x11|wayland|gnome] FILE, "
    "or tessaline-play --release-all [--desktop auto|x11|wayland|gnome]";

// What --help prints: the usage line, then each option.
inline constexpr const char* kPlayerHelp =
    "usage: tessaline-play [--dry-run] [--repeat] [--halt-on-error] [--start N] "
    "[--max-ticks N] [--clock HH:MM:SS.mmm] [--desktop auto|x11|wayland|gnome] FILE\n"
    "       tessaline-play --release-all [--desktop auto|x11|wayland|gnome]\n"
    "Plays the scenario FILE on the desktop without the window.\n"
    "\n"
    "  --dry-run              send nothing; print each input and engine event instead\n"
    "  --repeat               start again at line 1 after the last line\n"
    "  --halt-on-error        stop at a line that fails instead of stepping over it\n"
    "  --start N              start at line N (counted from 1)\n"
    "  --max-ticks N          stop after N ticks\n"
    "  --clock HH:MM:SS.mmm   draw range values as at this UTC time, every time\n"
    "  --desktop auto|x11|wayland|gnome\n"
    "                         where input goes (auto: Wayland when offered, else X11)\n"
    "  --release-all          play nothing: release every mouse button and modifier\n"
    "                         (the way out after a player was killed)\n"
    "  -h, --help             print this help and exit\n"
    "  --version              print the version and exit\n"
    "\n"
    "Pause or Ctrl+Alt+Q anywhere stops playback. Exit status: 0 after a stop, the end\n"
    "or the tick limit; 1 after an error halt or a lost desktop; 2 for bad usage, an\n"
    "unreadable file or no desktop; 128 + N when signal N ends it. See tessaline-play(1).\n";

// Fills `options` from the arguments; on bad usage returns false with a
// one-line reason in `error`.
bool ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions& options,
                        std::string& error);

// "HH:MM:SS.mmm" to milliseconds since midnight.
std::optional<uint32_t> ParseClock(const std::string& text);

}  // namespace tess
