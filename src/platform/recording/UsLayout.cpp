// The fixed US English keyboard layout used by the recording sink, so that
// a dry run gives the same keys on every machine.
#include "platform/recording/RecordingSink.h"

namespace tess {

namespace {

constexpr int16_t kShift = kShiftStateShift << 8;

struct Pair {
    char plain, shifted;
    int16_t vk;
};

// Keys whose plain and shifted characters are both printable ASCII,
// besides the letters.
constexpr Pair kKeys[] = {
    {'1', '!', 49}, {'2', '@', 50}, {'3', '#', 51}, {'4', '$', 52}, {'5', '%', 53},
    {'6', '^', 54}, {'7', '&', 55}, {'8', '*', 56}, {'9', '(', 57}, {'0', ')', 48},
    {';', ':', 186}, {'=', '+', 187}, {',', '<', 188}, {'-', '_', 189}, {'.', '>', 190},
    {'/', '?', 191}, {'`', '~', 192}, {'[', '{', 219}, {'\\', '|', 220}, {']', '}', 221},
    {'\'', '"', 222},
};

struct Table {
    int16_t codes[128];
    Table() {
        for (auto& c : codes) c = -1;
        codes[static_cast<int>(' ')] = 32;
        // Backspace, Tab, Enter and Escape have keys of their own.
        for (int c : {8, 9, 13, 27}) codes[c] = static_cast<int16_t>(c);
        for (char c = 'a'; c <= 'z'; ++c) codes[static_cast<int>(c)] = static_cast<int16_t>(c - 'a' + 65);
        for (char c = 'A'; c <= 'Z'; ++c) codes[static_cast<int>(c)] = static_cast<int16_t>((c - 'A' + 65) | kShift);
        for (const Pair& p : kKeys) {
            codes[static_cast<int>(p.plain)] = p.vk;
            codes[static_cast<int>(p.shifted)] = static_cast<int16_t>(p.vk | kShift);
        }
    }
};

}  // namespace

int16_t UsLayoutVkKeyScan(char32_t ch) {
    static const Table table;
    if (ch > 126) return -1;
    return table.codes[ch];
}

}  // namespace tess
