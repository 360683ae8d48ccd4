#pragma once
// Plays one scenario the way Run does in the window: the in-memory host,
// the engine, and a loop that ticks at the timer's pace (or at once in a
// dry run) until a stop, an error halt, the tick limit or a stop signal.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/InputSink.h"
#include "platform/StopKey.h"
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
    // The global stop key (may be nullptr): taken while Play runs; a press
    // stops playback as the Stop command does. `notify` hears the key's
    // notices, one line each.
    void SetStopKey(StopKey* key, std::function<void(const std::string&)> notify);

    // Runs from line `start` (1-based), then releases whatever playback
    // still holds.
    PlayOutcome Play(int32_t start, const PlaySettings& settings);

private:
    MemoryHost host_;
    PlaybackEngine engine_;
    StopKey* stopKey_ = nullptr;
    std::function<void(const std::string&)> notify_;
};

}  // namespace tess
