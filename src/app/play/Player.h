#pragma once
// Plays one scenario the way Run does in the window: the in-memory host,
// the engine, and a loop that ticks at the timer's pace (or at once in a
// dry run) until a stop, an error halt, the tick limit or a stop signal.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/InputSink.h"
#include "playback/MemoryHost.h"
#include "playback/PlaybackEngine.h"

namespace tess {

enum class PlayOutcome { Stopped, TickLimit, ErrorHalt, Interrupted };

struct PlaySettings {
    bool paced = true;  // wait for each tick; false in a dry run
    std::optional<uint64_t> maxTicks;
};

class Player {
public:
    Player(std::vector<std::string> lines, InputSink& sink, RangeGenerator& random);

    MemoryHost& Host() { return host_; }
    PlaybackEngine& Engine() { return engine_; }

    // Runs from line `start` (1-based), then releases whatever playback
    // still holds.
    PlayOutcome Play(int32_t start, const PlaySettings& settings);

private:
    MemoryHost host_;
    PlaybackEngine engine_;
};

}  // namespace tess
