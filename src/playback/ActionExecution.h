#pragma once
// Performs one action line: splits off the command word, picks the command
// it names and turns its parameter into platform calls or engine changes.
#include <cstdint>
#include <string_view>

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
};

struct ActionContext {
    InputSink& sink;
    HeldInput& held;
    RangeGenerator& random;
    EngineControl& engine;
    const void* ownerWindow = nullptr;  // handed to the shell with "Load"
};

// Throws LineFailure when a value the line needs cannot be formed; what was
// sent before the failure stays sent.
void PerformActionLine(std::string_view line, ActionContext& context);

// Types text: each character through its key and shift state, or, when no
// key of the layout produces it, as a Unicode character.
void WriteText(std::string_view text, InputSink& sink, HeldInput& held);

}  // namespace tess
