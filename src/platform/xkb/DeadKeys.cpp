// Characters the layout types only through a dead key, found with the
// compose sequences libxkbcommon reads for the user's locale: the same
// sequences the clients' input methods (GTK, Qt, Xlib) apply to what they
// receive.
#include <xkbcommon/xkbcommon-compose.h>

#include <bit>
#include <cstdlib>
#include <string>

#include "platform/xkb/KeymapIndex.h"

namespace tess::xkb {
namespace {

bool IsDeadKeysym(xkb_keysym_t keysym) { return keysym >= XKB_KEY_dead_grave && keysym <= 0xfe8f; }

// The locale's compose table, read once; nullptr when there is none.
xkb_compose_table* ComposeTable() {
    static xkb_compose_table* const table = [] {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (!context) return static_cast<xkb_compose_table*>(nullptr);
        xkb_compose_table* found = nullptr;
        for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const char* locale = std::getenv(name);
            if (!locale || !*locale) continue;
            const std::string value = locale;
            if (value != "C" && value != "POSIX")
                found = xkb_compose_table_new_from_locale(context, locale, XKB_COMPOSE_COMPILE_NO_FLAGS);
            break;
        }
        for (const char* fallback : {"C.UTF-8", "en_US.UTF-8"}) {
            if (!found) found = xkb_compose_table_new_from_locale(context, fallback, XKB_COMPOSE_COMPILE_NO_FLAGS);
        }
        xkb_context_unref(context);
        return found;
    }();
    return table;
}

// The one character a finished sequence gives, 0 for none or several.
char32_t ComposedChar(xkb_compose_state* state) {
    if (const char32_t ch = CharForKeysym(xkb_compose_state_get_one_sym(state))) return ch;
    char text[16];
    const int size = xkb_compose_state_get_utf8(state, text, sizeof text);
    if (size <= 0 || size >= static_cast<int>(sizeof text)) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const int length = bytes[0] < 0x80 ? 1 : bytes[0] >= 0xf0 ? 4 : bytes[0] >= 0xe0 ? 3 : 2;
    if (length != size) return 0;
    char32_t ch = length == 1 ? bytes[0] : bytes[0] & (0x7f >> length);
    for (int i = 1; i < length; ++i) ch = (ch << 6) | (bytes[i] & 0x3f);
    return ch;
}

}  // namespace

void KeymapIndex::IndexDeadKeys() {
    struct At {
        xkb_keycode_t keycode;
        xkb_level_index_t level;
        xkb_keysym_t keysym;
        int cost;
    };
    std::vector<At> dead, all;
    for (size_t i = 0; i < keys_.size(); ++i) {
        const Key& key = keys_[i];
        for (size_t level = 0; level < key.levels.size(); ++level) {
            const Level& entry = key.levels[level];
            if (!entry.reachable || entry.keysym == XKB_KEY_NoSymbol) continue;
            const At at{static_cast<xkb_keycode_t>(minKeycode_ + i), static_cast<xkb_level_index_t>(level),
                        entry.keysym, std::popcount(entry.mods) * 4 + (key.keypad ? 16 : 0)};
            all.push_back(at);
            if (IsDeadKeysym(entry.keysym)) dead.push_back(at);
        }
    }
    if (dead.empty()) return;
    xkb_compose_table* table = ComposeTable();
    xkb_compose_state* state = table ? xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS) : nullptr;
    if (!state) return;
    for (const At& d : dead) {
        for (const At& then : all) {
            xkb_compose_state_reset(state);
            xkb_compose_state_feed(state, d.keysym);
            if (xkb_compose_state_get_status(state) != XKB_COMPOSE_COMPOSING) break;
            xkb_compose_state_feed(state, then.keysym);
            if (xkb_compose_state_get_status(state) != XKB_COMPOSE_COMPOSED) continue;
            const char32_t ch = ComposedChar(state);
            // Only for what no key types directly.
            if (!ch || chars_.contains(ch)) continue;
            // Fewest modifiers, and a space after the dead key before
            // anything else that gives the same.
            const int cost = (d.cost + then.cost) * 2 + (then.keysym == XKB_KEY_space ? 0 : 1);
            DeadKeys& best = deadChars_[ch];
            if (!best.dead || cost < best.cost)
                best = DeadKeys{d.keycode, then.keycode, d.level, then.level, cost};
        }
    }
    xkb_compose_state_unref(state);
}

std::optional<DeadKeyStrokes> KeymapIndex::DeadKeysForChar(char32_t ch) const {
    const auto found = deadChars_.find(ch);
    if (found == deadChars_.end()) return std::nullopt;
    auto dead = StrokeAt(found->second.dead, found->second.deadLevel);
    auto then = StrokeAt(found->second.then, found->second.thenLevel);
    if (!dead || !then) return std::nullopt;
    return DeadKeyStrokes{*dead, *then};
}

}  // namespace tess::xkb
