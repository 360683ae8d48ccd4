#pragma once
// The playback engine: walks the scenario one line per timer tick, owns
// CurrentLine and the cycle state, and carries out Run, Pause and Stop on
// its host.
#include <cstdint>
#include <functional>

#include "playback/EngineHost.h"
#include "platform/InputSink.h"

namespace tess {

class RangeGenerator;

struct CycleState {
    bool CycleActive = false;
    int32_t CycleStartLine = 0;
    int32_t CyclePass = 0;
    int32_t CycleLimit = 0;
};

// Engine events besides the platform calls; the player's dry run prints
// them. `line` is CurrentLine when the event happens.
class PlaybackListener {
public:
    virtual ~PlaybackListener() = default;
    virtual void OnInterval(int32_t line, uint32_t ms) = 0;
    virtual void OnLineError(int32_t line) = 0;
    virtual void OnStopLine(int32_t line) = 0;   // a "Stop" line stopped playback
    virtual void OnEndOfList(int32_t line) = 0;  // the end of the list stopped playback
};

class PlaybackEngine {
public:
    PlaybackEngine(EngineHost& host, InputSink& sink, RangeGenerator& random);
    ~PlaybackEngine();
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    void Play1Click();   // Run
    void Pause1Click();  // Pause
    void Stop1Click();   // Stop: every route to a stop ends here
    void Timer1Timer();  // one tick of the playback timer
    // Types the next slice of the line under way (see EngineHost::
    // ContinueSoon); does nothing when none is. A tick that comes while a
    // line is under way continues it instead of starting the next line.
    void ContinueLine();
    bool LineUnderWay() const;
    // The monotonic clock (nanoseconds) that bounds a slice of typing and
    // counts the Load lines of each second; the steady clock by default.
    void SetClock(std::function<int64_t()> clock);

    // Releases every key and button that playback pressed and did not
    // release, in reverse order, and leaves the rest of a Write under way
    // untyped. Stop does this itself; the program calls it when it ends.
    void ReleaseHeld();

    int32_t CurrentLine() const;
    const CycleState& Cycle() const;
    void SetListener(PlaybackListener* listener);
    // The window handed to the shell as owner by "Load" lines.
    void SetOwnerWindow(const void* window);
    // True while playback holds a key or button it pressed.
    bool HoldsInput() const;

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace tess
