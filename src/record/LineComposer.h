#pragma once
// Turns what the user did (pointer, buttons, keys, with their times) into
// action lines that, played back, do the same thing. Knows nothing of the
// desktop: events arrive already translated (see platform/InputRecorder.h).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/InputRecorder.h"

namespace tess {

struct ComposerOptions {
    // The pace the recording plays at, written first and again after
    // every pause.
    uint32_t intervalMs = 10;
    // A gap between two events longer than this (beyond the two ticks its
    // "Interval" lines take) is written as a pause.
    uint32_t pauseMs = 200;
    // A press and release no further apart than this (in either axis) and
    // without a pause between them is a click.
    int clickSlop = 3;
    // While a button is held, the pointer is written each time it has moved
    // this far (in either axis) from the last written point.
    int pathStep = 4;
};

class LineComposer {
public:
    explicit LineComposer(ComposerOptions options = {});

    void Add(const InputEvent& event);
    // Ends the recording: whatever is pending is written, and keys and
    // buttons that the lines hold down are released. Returns every line.
    std::vector<std::string> Finish();

    const std::vector<std::string>& Lines() const { return lines_; }

private:
    struct HeldModifier {
        uint8_t vk;
        bool written;  // its "KeyDown" is in the lines
    };

    void NoteTime(uint32_t time);
    void Flush();  // writes everything pending, in order
    void FlushText();
    void FlushPointer();
    void FlushPress();
    void FlushKey();
    void WriteModifiers();
    void WriteCurPos(ScreenPoint point);
    void Emit(std::string line);

    void OnMotion(const InputEvent& event);
    void OnButton(const InputEvent& event, bool down);
    void OnKey(const InputEvent& event, bool down);

    ComposerOptions options_;
    std::vector<std::string> lines_;
    std::optional<uint32_t> lastTime_;
    std::optional<ScreenPoint> written_;    // where the lines leave the pointer
    std::optional<ScreenPoint> moved_;      // pointer moved there, not yet written
    std::string text_;                      // typed characters not yet written
    std::vector<HeldModifier> modifiers_;   // in the order pressed
    struct Press {
        int button;
        ScreenPoint point;
    };
    std::optional<Press> press_;            // a press that may still be a click
    int buttonsDown_ = 0;                   // bit per button whose down is written
    std::optional<uint8_t> key_;            // a key pressed, maybe a KeyPress
    std::vector<uint8_t> keysDown_;         // keys whose "KeyDown" is written
    std::optional<uint8_t> tap_;            // a modifier pressed with nothing after it yet
};

}  // namespace tess
