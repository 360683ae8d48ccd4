#pragma once
// Performs one action line: splits off the command word, picks the command
// it names and turns its parameter into platform calls or engine changes.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/InputSink.h"
#include "playback/HeldInput.h"
#include "script/RangeValue.h"

namespace tess {

// The lines that act on the engine itself.
class EngineControl {
public:
    virtual ~EngineControl() = default;
    virtual void StopLine() = 0;
    virtual void CycleLine(std::string_view line) = 0;
    virtual void CycleEndLine() = 0;
    virtual void IntervalLine(uint32_t ms) = 0;
    // Whether a "Load" line may start its handler now; one that may not
    // opens nothing.
    virtual bool LoadAllowed() { return true; }
};

// How many "Load" lines start a handler in any one second; the rest of that
// second's are dropped, so that a scenario (a Cycle around a Load at
// 'Interval 1', say) cannot start processes without bound.
class LoadLimit {
public:
    static constexpr int kPerSecond = 4;
    // True when a Load at `now` (monotonic nanoseconds) may start, and
    // counts it.
    bool Take(int64_t now);

private:
    int64_t starts_[kPerSecond] = {};
    int count_ = 0;
    int oldest_ = 0;
};

// A Write line's text, typed a slice at a time: the engine gives the user's
// stop, the window's events and the commands their turn between slices, so
// that a long line can be stopped in the middle. Slices end on character
// boundaries, with nothing of the text held down.
class TextTyping {
public:
    // Takes the text and the modifiers the scenario holds.
    void Start(std::string_view text, InputSink& sink, const HeldInput& held);
    // Maps the characters to their keys (announcing the off-layout ones
    // once all are mapped), then types them, until none is left or
    // `sliceOver` (asked after each step) says the slice is spent; true
    // while characters are left.
    bool TypeSlice(InputSink& sink, HeldInput& held, const std::function<bool()>& sliceOver);
    bool Pending() const { return next_ < chars_.size(); }
    // Forgets what is left untyped.
    void Drop();

private:
    std::u32string chars_;
    std::vector<int16_t> scans_;
    std::u32string offLayout_;
    std::size_t next_ = 0;
    bool shiftHeld_ = false;
    bool ctrlHeld_ = false;
    bool altHeld_ = false;
};

struct ActionContext {
    InputSink& sink;
    HeldInput& held;
    RangeGenerator& random;
    EngineControl& engine;
    const void* ownerWindow = nullptr;  // handed to the shell with "Load"
    // Where a Write line's text goes to be typed in slices by the caller;
    // without one the whole text is typed at once.
    TextTyping* typing = nullptr;
};

// Throws LineFailure when a value the line needs cannot be formed; what was
// sent before the failure stays sent.
void PerformActionLine(std::string_view line, ActionContext& context);

// Types text: each character through its key and shift state, or, when no
// key of the layout produces it, as a Unicode character.
void WriteText(std::string_view text, InputSink& sink, HeldInput& held);

}  // namespace tess
