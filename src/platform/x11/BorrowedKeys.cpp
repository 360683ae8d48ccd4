#include "platform/x11/BorrowedKeys.h"

#include <X11/XKBlib.h>

#include <algorithm>
#include <thread>

#include "platform/xkb/KeymapIndex.h"

namespace tess::x11 {

BorrowedKeys::BorrowedKeys(Display* display, std::chrono::milliseconds settle,
                           std::chrono::milliseconds restoreDelay)
    : display_(display), settle_(settle), restoreDelay_(restoreDelay), ping_(display) {}

void BorrowedKeys::SetPool(const std::vector<KeyCode>& spare, unsigned level3Mods) {
    const auto used = InUse();
    if (used.empty()) {
        // Four characters a keycode where the keymap has the four-level
        // type of Shift and AltGr, else two with Shift.
        slots_.clear();
        level3Mods_ = level3Mods;
        levels_ = 2;
        if (level3Mods_) {
            if (XkbDescPtr xkb = XkbGetMap(display_, XkbKeyTypesMask, XkbUseCoreKbd)) {
                levels_ = 4;
                if (TypeIndex(xkb) < 0) levels_ = 2;
                XkbFreeKeyboard(xkb, 0, True);
            }
        }
    }
    std::erase_if(slots_, [&](const Slot& s) {
        return std::find(spare.begin(), spare.end(), s.keycode) == spare.end() &&
               std::find(used.begin(), used.end(), s.keycode) == used.end();
    });
    for (KeyCode kc : spare) {
        if (std::any_of(slots_.begin(), slots_.end(), [kc](const Slot& s) { return s.keycode == kc; }))
            continue;
        for (int level = 0; level < levels_; ++level) slots_.push_back(Slot{kc, level, NoSymbol, {}});
    }
    // Plain levels first: they need no modifier.
    std::stable_sort(slots_.begin(), slots_.end(), [](const Slot& a, const Slot& b) {
        return a.level != b.level ? a.level < b.level : a.keycode < b.keycode;
    });
}

int BorrowedKeys::TypeIndex(XkbDescPtr xkb) const {
    if (levels_ == 1) return XkbOneLevelIndex;
    if (levels_ == 2) return XkbTwoLevelIndex;
    for (int t = 0; t < xkb->map->num_types; ++t) {
        const XkbKeyTypeRec& type = xkb->map->types[t];
        if (type.num_levels != 4 || type.mods.mask != (ShiftMask | level3Mods_)) continue;
        int found = 0;
        for (int e = 0; e < type.map_count; ++e) {
            const XkbKTMapEntryRec& entry = type.map[e];
            const unsigned mask = entry.mods.mask;
            if (entry.active && ((mask == ShiftMask && entry.level == 1) ||
                                 (mask == level3Mods_ && entry.level == 2) ||
                                 (mask == (ShiftMask | level3Mods_) && entry.level == 3)))
                ++found;
        }
        if (found == 3) return t;
    }
    return -1;
}

void BorrowedKeys::Expect(std::u32string_view upcoming) { upcoming_.assign(upcoming.begin(), upcoming.end()); }

std::vector<KeyCode> BorrowedKeys::InUse() const {
    std::vector<KeyCode> used;
    for (const Slot& s : slots_) {
        if (s.keysym != NoSymbol && std::find(used.begin(), used.end(), s.keycode) == used.end())
            used.push_back(s.keycode);
    }
    return used;
}

void BorrowedKeys::Used(KeyCode keycode) {
    for (Slot& s : slots_) {
        if (s.keycode == keycode) s.lastUse = Clock::now();
    }
}

BorrowedKeys::Stroke BorrowedKeys::Prepare(char32_t ch, KeySym keysym) {
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
    if (auto slot = holding(keysym); slot != slots_.end()) return Stroke{slot->keycode, slot->level};
    if (slots_.empty()) return {};

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
    return slot == slots_.end() ? Stroke{} : Stroke{slot->keycode, slot->level};
}

void BorrowedKeys::Synced() { synced_ = Clock::now(); }

void BorrowedKeys::Covered() {
    covered_ = std::max(covered_, ping_.SentAt());
}

void BorrowedKeys::WaitForReaders(Clock::time_point lastUse) {
    if (lastUse == Clock::time_point{} || covered_ >= lastUse) return;
    if (synced_ < lastUse) {
        XSync(display_, False);
        Synced();
    }
    const bool pinged = (ping_.Outstanding() && ping_.SentAt() >= lastUse) || ping_.Send();
    if (pinged && ping_.Wait(Clock::now() + kPingBound)) {
        // Answered is not yet translated: a toolkit under load may answer
        // the ping on one thread while it still looks up the keys before
        // it (seen with Qt 5 on a loaded machine), so the symbols stay a
        // moment longer.
        Covered();
        std::this_thread::sleep_until(ping_.SentAt() + kAfterAnswer);
        return;
    }
    // Once the server has handed the strokes out, the clients get the
    // settle delay to read them.
    std::this_thread::sleep_until(synced_ + settle_);
}

bool BorrowedKeys::ReadersDone(Clock::time_point lastUse) {
    if (covered_ >= lastUse) return true;
    if (ping_.Outstanding() && ping_.SentAt() >= lastUse) {
        if (ping_.Answered() && Clock::now() - ping_.SentAt() >= kAfterAnswer) {
            Covered();
            return true;
        }
        // A client that stays silent for the bound is not waited for.
        return Clock::now() - ping_.SentAt() >= kPingBound && !ping_.Wait(Clock::now());
    }
    XSync(display_, False);
    Synced();
    return !ping_.Send();  // no ping: the restore delay was its settle
}

void BorrowedKeys::Apply(const std::vector<std::pair<Slot*, KeySym>>& changes) {
    if (changes.empty()) return;
    XkbDescPtr xkb = XkbGetMap(display_, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (!xkb) return;
    const int type = TypeIndex(xkb);
    for (const auto& [slot, keysym] : changes) slot->keysym = type < 0 ? NoSymbol : keysym;
    // Every keycode touched is written whole: its levels as the slots hold
    // them, or no symbol at all when they are all free.
    int first = 255, last = 0;
    for (const auto& change : changes) {
        const KeyCode kc = change.first->keycode;
        if (kc < xkb->min_key_code || kc > xkb->max_key_code) continue;
        std::vector<KeySym> levels(static_cast<size_t>(levels_), NoSymbol);
        bool any = false;
        for (const Slot& s : slots_) {
            if (s.keycode != kc) continue;
            levels[static_cast<size_t>(s.level)] = s.keysym;
            any = any || s.keysym != NoSymbol;
        }
        if (!any) {
            XkbChangeTypesOfKey(xkb, kc, 0, XkbGroup1Mask, nullptr, nullptr);
        } else {
            int types[1] = {type};
            if (XkbChangeTypesOfKey(xkb, kc, 1, XkbGroup1Mask, types, nullptr) != Success) continue;
            KeySym* syms = XkbKeySymsPtr(xkb, kc);
            for (int l = 0; l < levels_ && l < XkbKeyGroupWidth(xkb, kc, 0); ++l) syms[l] = levels[l];
        }
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
    if (all) {
        WaitForReaders(latest);
    } else if (!ReadersDone(latest)) {
        return;  // asked again at the next tick or cursor read
    }
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
