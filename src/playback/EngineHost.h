#pragma once
// What the playback engine needs from the window that hosts it: the
// scenario list, the playback timer, the state panel, the run/pause look,
// the run options and the route by which a stop is started. The main
// window implements it, and so does MemoryHost for tests and the player.
#include <cstdint>
#include <string>

namespace tess {

class EngineHost {
public:
    virtual ~EngineHost() = default;

    // Scenario list, indexed from 0.
    virtual int LineCount() const = 0;
    virtual std::string LineText(int index) const = 0;  // UTF-8
    // index -1 applies to every line; setting a line's flag makes it the
    // caret line; clearing leaves the caret where it is; any other index
    // outside the list throws std::out_of_range.
    virtual void SetSelected(int index, bool selected) = 0;
    // The line with the focus rectangle: 0 or more, 0 for an empty list.
    virtual int CaretLine() const = 0;

    // Playback timer. Assigning an unchanged value does nothing; enabling or
    // assigning a new interval restarts the countdown.
    virtual bool TimerEnabled() const = 0;
    virtual void SetTimerEnabled(bool enabled) = 0;
    virtual uint32_t TimerInterval() const = 0;
    virtual void SetTimerInterval(uint32_t ms) = 0;

    // Second status panel: the playback state or a line error.
    virtual void SetStateText(const std::string& text) = 0;

    // Run/pause look: true shows the Pause button (Run hidden).
    virtual void SetPauseButtonShown(bool shown) = 0;
    virtual void SetListEnabled(bool enabled) = 0;
    virtual void SetNewScenarioEnabled(bool enabled) = 0;

    // Run options, read on every tick.
    virtual bool StepOverErrors() const = 0;
    virtual bool Repeat() const = 0;

    // Starts a stop the way the user's Stop command does (clicking the Stop
    // item), which ends in PlaybackEngine::Stop1Click.
    virtual void ClickStop() = 0;

    // A line is under way (a long Write typed in slices): the host calls
    // PlaybackEngine::ContinueLine soon, after it has handled its own
    // events, the stop keys and the commands. Asked once per slice. A host
    // that does nothing here finishes the line on its following ticks.
    virtual void ContinueSoon() {}
    // One line for the user about playback (Load lines dropped, say).
    virtual void ShowNotice(const std::string& /*line*/) {}
};

}  // namespace tess
