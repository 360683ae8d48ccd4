#pragma once
// The desktop sink for X11: one display connection, input synthesised with
// the XTest extension, the keyboard layout read through XKB, screen points
// measured from the primary monitor as XRandR reports it.
#include <X11/Xlib.h>

#include <bitset>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/InputSink.h"
#include "platform/x11/BorrowedKeys.h"
#include "platform/x11/ServerKeymap.h"
#include "platform/x11/KeyPressGuard.h"
#include "platform/xkb/KeyPresses.h"

namespace tess::x11 {

class X11Sink : public InputSink {
public:
    using Clock = std::chrono::steady_clock;
    // How long a borrowed keycode keeps its character after the stroke
    // before it is given back, when nothing else needs it.
    static constexpr std::chrono::milliseconds kDefaultRestoreDelay{250};
    // How long clients are given to read the strokes on a borrowed keycode,
    // once the server has handed them out, before the keycode may type
    // another character: the key event is decoded against the mapping the
    // client holds when it reads it.
    static constexpr std::chrono::milliseconds kDefaultSettleDelay{30};

    // Takes ownership of an open display that has XTest and XKB.
    explicit X11Sink(Display* display,
                     std::chrono::milliseconds restoreDelay = kDefaultRestoreDelay,
                     std::chrono::milliseconds settleDelay = kDefaultSettleDelay);
    ~X11Sink() override;
    X11Sink(const X11Sink&) = delete;
    X11Sink& operator=(const X11Sink&) = delete;

    void SetCursorPos(int32_t x, int32_t y) override;
    ScreenPoint GetCursorPos() override;
    void mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data,
                     uintptr_t extraInfo) override;
    void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo) override;
    int16_t VkKeyScanA(char32_t ch) override;
    void ShellExecuteA(const void* ownerWindow, const std::string& operation,
                       const std::string& file, const std::string& parameters,
                       const std::string& directory, int showMode) override;
    void SendUnicodeChar(char32_t ch) override;
    void WillSendUnicodeChars(std::u32string_view chars) override;
    void Flush() override;

    // Lets go of every key and button this sink holds down and gives every
    // borrowed keycode its mapping back, once clients had time to read
    // the last strokes on it (a bounded wait). For stops and for the end.
    void ReleaseAll();
    // Gives every borrowed keycode its old mapping back (same wait).
    void RestoreKeyboardMapping();
    // Keyboard mapping requests sent so far (borrowing and giving back).
    unsigned long KeymapChanges() const { return borrowed_.Changes(); }

    Display* display() const { return display_; }
    // Steps aside for this sink's own presses of the keys it guards.
    void SetKeyPressGuard(KeyPressGuard* guard) { guard_ = guard; }

private:
    void PollEvents(bool readSocket);
    void HandleEvent(const XEvent& event);
    // How old a reading of the primary monitor may be for a move (one
    // taken at the end of the previous tick at a fast pace) and for the
    // cursor tracking's position reads.
    static constexpr std::chrono::milliseconds kOriginFreshForMove{50};
    static constexpr std::chrono::milliseconds kOriginFreshForPosition{500};
    ScreenPoint PrimaryOrigin(Clock::duration maxAge);
    void ReadPrimaryOrigin(Clock::time_point now);
    void PressKey(KeyCode keycode);
    void ReleaseKey(KeyCode keycode);
    void TypeOnBorrowedKey(char32_t ch);
    void ReloadKeyboard();
    bool OwnMappingChange(const XEvent& event);
    const xkb::KeymapIndex& keys() const { return keyboard_.index(); }

    Display* display_;
    Window root_;
    int xkbEventBase_ = 0;
    int randrEventBase_ = -1;
    int randrVersion_ = 0;  // major * 100 + minor, 0 without RandR
    ScreenPoint origin_;
    bool originKnown_ = false;
    Clock::time_point originReadAt_;
    ServerKeymap keyboard_;
    bool keymapStale_ = true;
    int group_ = -1;  // as the last state notification gave it

    xkb::KeyPresses presses_;        // keys this sink holds down, by Windows rules
    std::bitset<8> buttonsDown_;     // buttons 1-7 held down
    BorrowedKeys borrowed_;
    KeyPressGuard* guard_ = nullptr;
};

// Opens the named display (nullptr: $DISPLAY) and checks that it is an X
// server with the extensions the sink needs. On failure returns nullptr
// and a one-line reason.
std::unique_ptr<X11Sink> OpenX11Sink(const char* displayName, std::string& error);

}  // namespace tess::x11
