#pragma once
// Characters that no key of the layout types go out on spare keycodes (no
// symbol in any group), each given the character for a while. A spare
// keycode carries up to four characters, on the levels Shift and AltGr
// select (two with Shift alone when the layout has no AltGr key).
//
// Clients decode a key event against the mapping they hold when they read
// it, so a keycode must not change while an earlier stroke on it may be
// unread. The keys are therefore mapped in batches: every distinct
// character of the stretch announced with Expect() that fits goes onto the
// spare keycodes in one request; a keycode is given a new character, or
// its old mapping back, only once the focused client has answered a ping
// sent after its last stroke (GTK, Qt and Firefox read their events late,
// and decode a key with the mapping of that moment), or, for a client
// that answers no pings, a round trip and a settle delay after it. The old
// mapping comes back after the restore delay without strokes, or at the
// end.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <chrono>
#include <deque>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/x11/ClientPing.h"

namespace tess::x11 {

class BorrowedKeys {
public:
    using Clock = std::chrono::steady_clock;
    BorrowedKeys(Display* display, std::chrono::milliseconds settle,
                 std::chrono::milliseconds restoreDelay);

    // The keycodes free to borrow; those holding a character stay.
    // `level3Mods` is the real modifier AltGr sets (0: no AltGr key).
    void SetPool(const std::vector<KeyCode>& spare, unsigned level3Mods);
    // The characters that will be asked for next, in order.
    void Expect(std::u32string_view upcoming);
    struct Stroke {
        KeyCode keycode = 0;  // 0: no spare keycode
        int level = 0;        // bit 0: with Shift, bit 1: with AltGr
    };
    // A key that types `keysym` now, mapping it (with the characters
    // expected next) if needed. `ch` is the character, to follow the
    // announced stretch.
    Stroke Prepare(char32_t ch, KeySym keysym);
    // Notes a stroke on a borrowed keycode.
    void Used(KeyCode keycode);
    // Gives back the keycodes whose last stroke is older than the restore
    // delay; with `all`, every keycode, after waiting out the settle delay.
    void Restore(bool all);
    // Notes that the server has processed every stroke sent so far.
    void Synced();
    // Looks at an event the caller read: the focused client's answer.
    void Notice(const XEvent& event) { ping_.Notice(event); }
    // The longest wait for the focused client's answer.
    static constexpr std::chrono::milliseconds kPingBound{2000};
    static constexpr std::chrono::milliseconds kAfterAnswer{100};
    // After another client changed the keymap: forgets the characters the
    // keymap no longer has where they were put.
    template <typename KeysymAt>
    void Verify(KeysymAt keysymAt) {
        for (Slot& s : slots_) {
            if (s.keysym != NoSymbol && keysymAt(s.keycode, s.level) != s.keysym) s.keysym = NoSymbol;
        }
    }
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
        int level;
        KeySym keysym;  // NoSymbol when free
        Clock::time_point lastUse;
    };
    void Apply(const std::vector<std::pair<Slot*, KeySym>>& changes);
    void WaitForReaders(Clock::time_point lastUse);
    // Whether the focused client has read strokes up to `lastUse`; sends
    // it a ping when none covers them yet. Never waits.
    bool ReadersDone(Clock::time_point lastUse);
    void Covered();
    // The key type of a borrowed keycode in this keymap, -1 for none.
    int TypeIndex(XkbDescPtr xkb) const;

    Display* display_;
    std::chrono::milliseconds settle_;
    std::chrono::milliseconds restoreDelay_;
    std::vector<Slot> slots_;
    int levels_ = 1;
    unsigned level3Mods_ = 0;
    std::deque<char32_t> upcoming_;
    struct OwnRange {
        int first, last;
        bool seenXkb, seenCore;
    };
    std::deque<OwnRange> own_;
    unsigned long changes_ = 0;
    Clock::time_point synced_{};
    ClientPing ping_;
    Clock::time_point covered_{};  // strokes up to here were read by the focused client
};

}  // namespace tess::x11
