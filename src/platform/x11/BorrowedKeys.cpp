#include "platform/x11/BorrowedKeys.h"

#include <X11/XKBlib.h>

#include <algorithm>
#include <thread>

#include "platform/xkb/KeymapIndex.h"

namespace tess::x11 {

BorrowedKeys::BorrowedKeys(Display* display, std::chrono::milliseconds settle,
                           std::chrono::milliseconds restoreDelay)
    : display_(display), settle_(settle), restoreDelay_(restoreDelay) {}

void BorrowedKeys::SetPool(const std::vector<KeyCode>& spare) {
    std::erase_if(slots_, [&](const Slot& s) {
        return s.keysym == NoSymbol && std::find(spare.begin(), spare.end(), s.keycode) == spare.end();
    });
    for (KeyCode kc : spare) {
        if (std::none_of(slots_.begin(), slots_.end(), [kc](const Slot& s) { return s.keycode == kc; }))
            slots_.push_back(Slot{kc, NoSymbol, {}});
    }
    std::sort(slots_.begin(), slots_.end(),
              [](const Slot& a, const Slot& b) { return a.keycode < b.keycode; });
}

void BorrowedKeys::Expect(std::u32string_view upcoming) { upcoming_.assign(upcoming.begin(), upcoming.end()); }

std::vector<KeyCode> BorrowedKeys::InUse() const {
    std::vector<KeyCode> used;
    for (const Slot& s : slots_) {
        if (s.keysym != NoSymbol) used.push_back(s.keycode);
    }
    return used;
}

void BorrowedKeys::Used(KeyCode keycode) {
    for (Slot& s : slots_) {
        if (s.keycode == keycode) s.lastUse = Clock::now();
    }
}

KeyCode BorrowedKeys::Prepare(char32_t ch, KeySym keysym) {
    if (!upcoming_.empty()) {
        if (upcoming_.front() == ch) {
            upcoming_.pop_front();
        } else {
            upcoming_.clear();  // the stretch was not typed as announced
        }
    }
    auto holding = [this](KeySym ks) {
        return std::find_if(slots_.begin(), slots_.end(), [ks](const Slot& s) { return s.keysym == ks; });
    };
    if (auto slot = holding(keysym); slot != slots_.end()) return slot->keycode;
    if (slots_.empty()) return 0;

    // The characters needed next, as many as there are keycodes; what is
    // not among them may make room.
    std::vector<KeySym> window{keysym};
    for (char32_t c : upcoming_) {
        if (window.size() >= slots_.size()) break;
        const KeySym ks = xkb::KeysymForChar(c);
        if (ks != NoSymbol && std::find(window.begin(), window.end(), ks) == window.end())
            window.push_back(ks);
    }
    std::vector<KeySym> needed;
    for (KeySym ks : window) {
        if (holding(ks) == slots_.end()) needed.push_back(ks);
    }
    std::vector<Slot*> room;
    for (Slot& s : slots_) {
        if (s.keysym == NoSymbol) room.push_back(&s);
    }
    std::vector<Slot*> taken;
    for (Slot& s : slots_) {
        if (s.keysym != NoSymbol && std::find(window.begin(), window.end(), s.keysym) == window.end())
            taken.push_back(&s);
    }
    std::sort(taken.begin(), taken.end(), [](const Slot* a, const Slot* b) { return a->lastUse < b->lastUse; });
    room.insert(room.end(), taken.begin(), taken.end());

    std::vector<std::pair<Slot*, KeySym>> changes;
    Clock::time_point latest{};
    for (size_t i = 0; i < needed.size() && i < room.size(); ++i) {
        if (room[i]->keysym != NoSymbol) latest = std::max(latest, room[i]->lastUse);
        changes.emplace_back(room[i], needed[i]);
    }
    WaitForReaders(latest);
    Apply(changes);
    const auto slot = holding(keysym);
    return slot == slots_.end() ? 0 : slot->keycode;
}

void BorrowedKeys::Synced() { synced_ = Clock::now(); }

void BorrowedKeys::WaitForReaders(Clock::time_point lastUse) {
    if (lastUse == Clock::time_point{}) return;
    // Once the server has handed the strokes out, the clients get the
    // settle delay to read them.
    if (synced_ < lastUse) {
        XSync(display_, False);
        Synced();
    }
    std::this_thread::sleep_until(synced_ + settle_);
}

void BorrowedKeys::Apply(const std::vector<std::pair<Slot*, KeySym>>& changes) {
    if (changes.empty()) return;
    XkbDescPtr xkb = XkbGetMap(display_, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (!xkb) return;
    int first = 255, last = 0;
    for (const auto& [slot, keysym] : changes) {
        const KeyCode kc = slot->keycode;
        if (kc < xkb->min_key_code || kc > xkb->max_key_code) continue;
        if (keysym == NoSymbol) {
            XkbChangeTypesOfKey(xkb, kc, 0, XkbGroup1Mask, nullptr, nullptr);
        } else {
            int type = XkbOneLevelIndex;
            if (XkbChangeTypesOfKey(xkb, kc, 1, XkbGroup1Mask, &type, nullptr) != Success) continue;
            XkbKeySymsPtr(xkb, kc)[0] = keysym;
        }
        slot->keysym = keysym;
        first = std::min<int>(first, kc);
        last = std::max<int>(last, kc);
    }
    if (first <= last) {
        XkbMapChangesRec request{};
        request.changed = XkbKeySymsMask;
        request.first_key_sym = static_cast<KeyCode>(first);
        request.num_key_syms = static_cast<unsigned char>(last - first + 1);
        XkbChangeMap(display_, xkb, &request);
        own_.push_back(OwnRange{first, last, false, false});
        if (own_.size() > 32) own_.pop_front();
        ++changes_;
    }
    XkbFreeKeyboard(xkb, 0, True);
}

void BorrowedKeys::Restore(bool all) {
    const auto now = Clock::now();
    Clock::time_point latest{};
    std::vector<std::pair<Slot*, KeySym>> changes;
    for (Slot& s : slots_) {
        if (s.keysym == NoSymbol || (!all && now - s.lastUse < restoreDelay_)) continue;
        latest = std::max(latest, s.lastUse);
        changes.emplace_back(&s, NoSymbol);
    }
    if (changes.empty()) return;
    if (all) WaitForReaders(latest);
    Apply(changes);
    XFlush(display_);
}

bool BorrowedKeys::OwnChange(int first, int count, bool core) {
    const int last = first + std::max(count, 1) - 1;
    for (auto it = own_.begin(); it != own_.end(); ++it) {
        if (first < it->first || last > it->last || (core ? it->seenCore : it->seenXkb)) continue;
        (core ? it->seenCore : it->seenXkb) = true;
        if (it->seenCore && it->seenXkb) own_.erase(it);
        return true;
    }
    return false;
}

}  // namespace tess::x11
