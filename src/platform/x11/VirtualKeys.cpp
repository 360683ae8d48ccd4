#include "platform/x11/VirtualKeys.h"

#include <X11/keysym.h>

namespace tess::x11 {
namespace {

struct NamedKey {
    uint8_t vk;
    KeySym first;
    KeySym second;
    const char* position;
};

// The control and function keys. The generic Shift, Control and Alt codes
// stand for the left-hand keys.
constexpr NamedKey kNamedKeys[] = {
    {8, XK_BackSpace, NoSymbol, "BKSP"},
    {9, XK_Tab, NoSymbol, "TAB"},
    {12, XK_Clear, XK_KP_Begin, nullptr},
    {13, XK_Return, NoSymbol, "RTRN"},
    {16, XK_Shift_L, XK_Shift_R, "LFSH"},
    {17, XK_Control_L, XK_Control_R, "LCTL"},
    {18, XK_Alt_L, XK_Alt_R, "LALT"},
    {19, XK_Pause, NoSymbol, "PAUS"},
    {20, XK_Caps_Lock, NoSymbol, "CAPS"},
    {27, XK_Escape, NoSymbol, "ESC"},
    {32, XK_space, NoSymbol, "SPCE"},
    {33, XK_Prior, NoSymbol, "PGUP"},
    {34, XK_Next, NoSymbol, "PGDN"},
    {35, XK_End, NoSymbol, "END"},
    {36, XK_Home, NoSymbol, "HOME"},
    {37, XK_Left, NoSymbol, "LEFT"},
    {38, XK_Up, NoSymbol, "UP"},
    {39, XK_Right, NoSymbol, "RGHT"},
    {40, XK_Down, NoSymbol, "DOWN"},
    {44, XK_Print, NoSymbol, "PRSC"},
    {45, XK_Insert, NoSymbol, "INS"},
    {46, XK_Delete, NoSymbol, "DELE"},
    {91, XK_Super_L, NoSymbol, "LWIN"},
    {92, XK_Super_R, NoSymbol, "RWIN"},
    {93, XK_Menu, NoSymbol, "COMP"},
    {106, XK_KP_Multiply, NoSymbol, "KPMU"},
    {107, XK_KP_Add, NoSymbol, "KPAD"},
    {108, XK_KP_Separator, NoSymbol, nullptr},
    {109, XK_KP_Subtract, NoSymbol, "KPSU"},
    {110, XK_KP_Decimal, NoSymbol, "KPDL"},
    {111, XK_KP_Divide, NoSymbol, "KPDV"},
    {144, XK_Num_Lock, NoSymbol, "NMLK"},
    {145, XK_Scroll_Lock, NoSymbol, "SCLK"},
    {160, XK_Shift_L, NoSymbol, "LFSH"},
    {161, XK_Shift_R, NoSymbol, "RTSH"},
    {162, XK_Control_L, NoSymbol, "LCTL"},
    {163, XK_Control_R, NoSymbol, "RCTL"},
    {164, XK_Alt_L, NoSymbol, "LALT"},
    {165, XK_Alt_R, NoSymbol, "RALT"},
};

// The punctuation keys, by their place on a US keyboard.
constexpr struct {
    uint8_t vk;
    const char* position;
} kPositionKeys[] = {
    {186, "AC10"}, {187, "AE12"}, {188, "AB08"}, {189, "AE11"},
    {190, "AB09"}, {191, "AB10"}, {192, "TLDE"}, {219, "AD11"},
    {220, "BKSL"}, {221, "AD12"}, {222, "AC11"}, {226, "LSGT"},
};

// The keypad digits, with their keys' names.
constexpr const char* kKeypadDigits[] = {"KP0", "KP1", "KP2", "KP3", "KP4",
                                          "KP5", "KP6", "KP7", "KP8", "KP9"};

}  // namespace

VirtualKeyInfo DescribeVirtualKey(uint8_t vk) {
    VirtualKeyInfo info;
    if (vk >= 'A' && vk <= 'Z') {
        info.keysyms = {static_cast<KeySym>(XK_a + (vk - 'A')), NoSymbol};
    } else if (vk >= '0' && vk <= '9') {
        info.keysyms = {static_cast<KeySym>(XK_0 + (vk - '0')), NoSymbol};
    } else if (vk >= 96 && vk <= 105) {
        info.keysyms = {static_cast<KeySym>(XK_KP_0 + (vk - 96)), NoSymbol};
        info.position = kKeypadDigits[vk - 96];
    } else if (vk >= 112 && vk <= 135) {
        info.keysyms = {static_cast<KeySym>(XK_F1 + (vk - 112)), NoSymbol};
    } else {
        for (const auto& key : kNamedKeys) {
            if (key.vk == vk) {
                info.keysyms = {key.first, key.second};
                info.position = key.position;
                return info;
            }
        }
        for (const auto& key : kPositionKeys) {
            if (key.vk == vk) info.position = key.position;
        }
    }
    return info;
}

uint8_t VirtualKeyForKeysym(KeySym keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return static_cast<uint8_t>('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z) return static_cast<uint8_t>(keysym);
    if (keysym >= XK_0 && keysym <= XK_9) return static_cast<uint8_t>(keysym);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return static_cast<uint8_t>(96 + (keysym - XK_KP_0));
    if (keysym >= XK_F1 && keysym <= XK_F24) return static_cast<uint8_t>(112 + (keysym - XK_F1));
    // The specific codes (160...) come after the generic ones in the table
    // and win: a Shift key is the left or the right one.
    uint8_t found = 0;
    for (const auto& key : kNamedKeys) {
        if (key.first == keysym || (key.vk == 12 && key.second == keysym)) found = key.vk;
    }
    return found;
}

KeySym KeysymForChar(char32_t ch) {
    switch (ch) {
        case 8: return XK_BackSpace;
        case 9: return XK_Tab;
        case 10:
        case 13: return XK_Return;
        case 27: return XK_Escape;
        default: break;
    }
    if ((ch >= 0x20 && ch <= 0x7e) || (ch >= 0xa0 && ch <= 0xff)) return ch;
    if (ch < 0x100 || ch > 0x10ffff || (ch >= 0xd800 && ch <= 0xdfff)) return NoSymbol;
    return 0x01000000 | ch;
}

char32_t CharForKeysym(KeySym keysym) {
    switch (keysym) {
        case XK_BackSpace: return 8;
        case XK_Tab: return 9;
        case XK_Return: return 13;
        case XK_Escape: return 27;
        case XK_EuroSign: return 0x20ac;
        default: break;
    }
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        return static_cast<char32_t>(keysym);
    if (keysym >= 0x01000100 && keysym <= 0x0110ffff) return static_cast<char32_t>(keysym & 0x1fffff);
    return 0;
}

}  // namespace tess::x11
