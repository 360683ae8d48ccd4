#pragma once
// Watching what the user does on the whole desktop: the pointer, its
// buttons and the keyboard, delivered as events that already carry what
// the line composer needs (position, virtual-key number, character), so
// that nothing downstream needs the keyboard layout.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/InputSink.h"

namespace tess {

enum class InputEventKind : uint8_t { Motion, ButtonDown, ButtonUp, KeyDown, KeyUp };

// Modifiers held at an event, in the bits of a VkKeyScanA shift state.
inline constexpr unsigned kModShift = 1;
inline constexpr unsigned kModCtrl = 2;
inline constexpr unsigned kModAlt = 4;
inline constexpr unsigned kModWin = 8;

struct InputEvent {
    InputEventKind kind = InputEventKind::Motion;
    uint32_t time = 0;        // milliseconds, the desktop's clock (wraps around)
    ScreenPoint point;        // the pointer, from the primary monitor's top-left
    int button = 0;           // 1 left, 2 middle, 3 right
    uint8_t vk = 0;           // the key's virtual-key number, 0 when unknown
    char32_t ch = 0;          // what the key types in this event's state, 0 for none
    unsigned modifiers = 0;   // kMod* bits held when the event happened
};

class InputRecorder {
public:
    virtual ~InputRecorder() = default;

    // Called on the recorder's own thread, in the order things happened.
    using EventHandler = std::function<void(const InputEvent&)>;
    // Called once, on the recorder's thread, after the stop key (Pause, or
    // Ctrl+Alt+Q) has been pressed and released; neither reaches the
    // handler or the focused application.
    using StopHandler = std::function<void()>;

    // Starts watching. False with a one-line reason when it cannot.
    virtual bool Start(EventHandler onEvent, StopHandler onStopKey, std::string& error) = 0;
    // Stops watching and waits until no handler runs any more. Never call
    // it from inside a handler.
    virtual void Stop() = 0;
    // Top-level windows of this program: input inside them is not recorded.
    virtual void IgnoreWindows(const std::vector<uint64_t>& windows) = 0;
    // One line to show the user after Start (the stop key is taken by
    // another program, for instance), or empty.
    virtual std::string Warning() const { return {}; }
};

// The recorder for this system's desktop, or nullptr with a one-line reason
// (no display, no recording extension, a desktop that allows no recording).
std::unique_ptr<InputRecorder> CreateInputRecorder(std::string& error);

}  // namespace tess
