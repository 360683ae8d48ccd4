#include "app/play/PlayerOptions.h"

#include <charconv>
#include <string_view>

namespace tess {

namespace {

template <typename T>
bool ParseWhole(std::string_view text, T& value) {
    if (text.empty() || text.front() == '+' || text.front() == '-') return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool Digits(std::string_view text, std::size_t count, uint32_t& value) {
    if (text.size() != count) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return ParseWhole(text, value);
}

}  // namespace

std::optional<uint32_t> ParseClock(const std::string& text) {
    // HH:MM:SS.mmm
    if (text.size() != 12 || text[2] != ':' || text[5] != ':' || text[8] != '.') return std::nullopt;
    const std::string_view t = text;
    uint32_t h, m, s, ms;
    if (!Digits(t.substr(0, 2), 2, h) || !Digits(t.substr(3, 2), 2, m) || !Digits(t.substr(6, 2), 2, s) ||
        !Digits(t.substr(9, 3), 3, ms)) {
        return std::nullopt;
    }
    if (h > 23 || m > 59 || s > 59) return std::nullopt;
    return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

bool ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions& options,
                        std::string& error) {
    bool filesOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (!filesOnly && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                hasValue = true;
            }
        }
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto noValue = [&]() -> bool {
            if (hasValue) error = arg + " takes no value";
            return !hasValue;
        };

        if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!options.file.empty()) {
                error = "only one scenario file can be played (got \"" + options.file + "\" and \"" + arg + "\")";
                return false;
            }
            options.file = arg;
        } else if (arg == "--") {
            filesOnly = true;
        } else if (arg == "--dry-run") {
            if (!noValue()) return false;
            options.dryRun = true;
        } else if (arg == "--repeat") {
            if (!noValue()) return false;
            options.repeat = true;
        } else if (arg == "--halt-on-error") {
            if (!noValue()) return false;
            options.haltOnError = true;
        } else if (arg == "--release-all") {
            if (!noValue()) return false;
            options.releaseAll = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--start") {
            if (!takeValue()) return false;
            int32_t start = 0;
            if (!ParseWhole(value, start) || start < 1) {
                error = "--start needs a line number of 1 or more, not \"" + value + "\"";
                return false;
            }
            options.start = start;
        } else if (arg == "--max-ticks") {
            if (!takeValue()) return false;
            uint64_t ticks = 0;
            if (!ParseWhole(value, ticks)) {
                error = "--max-ticks needs a number of ticks, not \"" + value + "\"";
                return false;
            }
            options.maxTicks = ticks;
        } else if (arg == "--clock") {
            if (!takeValue()) return false;
            options.clockMs = ParseClock(value);
            if (!options.clockMs) {
                error = "--clock needs a UTC time as HH:MM:SS.mmm, not \"" + value + "\"";
                return false;
            }
        } else if (arg == "--desktop") {
            if (!takeValue()) return false;
            const auto choice = ParseDesktopChoice(value);
            if (!choice) {
                error = "--desktop needs auto, x11, wayland or gnome, not \"" + value + "\"";
                return false;
            }
            options.desktop = *choice;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (options.releaseAll && !options.file.empty()) {
        error = "--release-all plays no scenario file (got \"" + options.file + "\")";
        return false;
    }
    if (options.file.empty() && !options.help && !options.releaseAll) {
        error = "no scenario file given";
        return false;
    }
    return true;
}

}  // namespace tess
