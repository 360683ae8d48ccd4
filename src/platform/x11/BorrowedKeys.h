#pragma once
// Characters that no key of the layout types go out on spare keycodes (no
// symbol in any group), each given the character for a while.
//
// Clients decode a key event against the mapping they hold when they read
// it, so a keycode must not change while an earlier stroke on it may be
// unread. The keys are therefore mapped in batches: every distinct
// character of the stretch announced with Expect() that fits goes onto the
// spare keycodes in one request; a keycode is given a new character only
// after a round trip and a settle delay since its last stroke; and the
// old mapping comes back after a longer delay, or at the end.
#include <X11/Xlib.h>

#include <chrono>
#include <deque>
#include <string_view>
#include <utility>
#include <vector>

namespace tess::x11 {

class BorrowedKeys {
public:
    using Clock = std::chrono::steady_clock;
    BorrowedKeys(Display* display, std::chrono::milliseconds settle,
                 std::chrono::milliseconds restoreDelay);

    // The keycodes free to borrow; those holding a character stay.
    void SetPool(const std::vector<KeyCode>& spare);
    // The characters that will be asked for next, in order.
    void Expect(std::u32string_view upcoming);
    // A keycode that types `keysym` now, mapping it (with the characters
    // expected next) if needed; 0 when there is no spare keycode. `ch` is
    // the character, to follow the announced stretch.
    KeyCode Prepare(char32_t ch, KeySym keysym);
    // Notes a stroke on a borrowed keycode.
    void Used(KeyCode keycode);
    // Gives back the keycodes whose last stroke is older than the restore
    // delay; with `all`, every keycode, after waiting out the settle delay.
    void Restore(bool all);
    // Notes that the server has processed every stroke sent so far.
    void Synced();
    // Keycodes holding a character now.
    std::vector<KeyCode> InUse() const;
    // Whether a mapping change over these keycodes was one of ours; each
    // of our changes is recognised once per kind of notification.
    bool OwnChange(int first, int count, bool core);
    // Mapping requests sent so far.
    unsigned long Changes() const { return changes_; }

private:
    struct Slot {
        KeyCode keycode;
        KeySym keysym;  // NoSymbol when free
        Clock::time_point lastUse;
    };
    void Apply(const std::vector<std::pair<Slot*, KeySym>>& changes);
    void WaitForReaders(Clock::time_point lastUse);

    Display* display_;
    std::chrono::milliseconds settle_;
    std::chrono::milliseconds restoreDelay_;
    std::vector<Slot> slots_;
    std::deque<char32_t> upcoming_;
    struct OwnRange {
        int first, last;
        bool seenXkb, seenCore;
    };
    std::deque<OwnRange> own_;
    unsigned long changes_ = 0;
    Clock::time_point synced_{};
};

}  // namespace tess::x11
