#include "platform/xkb/VirtualKeyTable.h"

namespace tess::xkb {
namespace {

constexpr xkb_keysym_t kNone = XKB_KEY_NoSymbol;

constexpr FixedKey kFixedKeys[] = {
    {8, XKB_KEY_BackSpace, kNone, "BKSP"},
    {9, XKB_KEY_Tab, XKB_KEY_ISO_Left_Tab, "TAB"},
    {12, XKB_KEY_Clear, XKB_KEY_KP_Begin, nullptr},
    {13, XKB_KEY_Return, kNone, "RTRN"},
    {16, XKB_KEY_Shift_L, XKB_KEY_Shift_R, "LFSH"},
    {17, XKB_KEY_Control_L, XKB_KEY_Control_R, "LCTL"},
    {18, XKB_KEY_Alt_L, XKB_KEY_Alt_R, "LALT"},
    {19, XKB_KEY_Pause, kNone, "PAUS"},
    {20, XKB_KEY_Caps_Lock, kNone, "CAPS"},
    {27, XKB_KEY_Escape, kNone, "ESC"},
    {32, XKB_KEY_space, kNone, "SPCE"},
    {33, XKB_KEY_Prior, kNone, "PGUP"},
    {34, XKB_KEY_Next, kNone, "PGDN"},
    {35, XKB_KEY_End, kNone, "END"},
    {36, XKB_KEY_Home, kNone, "HOME"},
    {37, XKB_KEY_Left, kNone, "LEFT"},
    {38, XKB_KEY_Up, kNone, "UP"},
    {39, XKB_KEY_Right, kNone, "RGHT"},
    {40, XKB_KEY_Down, kNone, "DOWN"},
    {44, XKB_KEY_Print, kNone, "PRSC"},
    {45, XKB_KEY_Insert, kNone, "INS"},
    {46, XKB_KEY_Delete, kNone, "DELE"},
    {91, XKB_KEY_Super_L, kNone, "LWIN"},
    {92, XKB_KEY_Super_R, kNone, "RWIN"},
    {93, XKB_KEY_Menu, kNone, "COMP"},
    {96, XKB_KEY_KP_0, XKB_KEY_KP_Insert, "KP0"},
    {97, XKB_KEY_KP_1, XKB_KEY_KP_End, "KP1"},
    {98, XKB_KEY_KP_2, XKB_KEY_KP_Down, "KP2"},
    {99, XKB_KEY_KP_3, XKB_KEY_KP_Next, "KP3"},
    {100, XKB_KEY_KP_4, XKB_KEY_KP_Left, "KP4"},
    {101, XKB_KEY_KP_5, XKB_KEY_KP_Begin, "KP5"},
    {102, XKB_KEY_KP_6, XKB_KEY_KP_Right, "KP6"},
    {103, XKB_KEY_KP_7, XKB_KEY_KP_Home, "KP7"},
    {104, XKB_KEY_KP_8, XKB_KEY_KP_Up, "KP8"},
    {105, XKB_KEY_KP_9, XKB_KEY_KP_Prior, "KP9"},
    {106, XKB_KEY_KP_Multiply, kNone, "KPMU"},
    {107, XKB_KEY_KP_Add, kNone, "KPAD"},
    {108, XKB_KEY_KP_Separator, kNone, nullptr},
    {109, XKB_KEY_KP_Subtract, kNone, "KPSU"},
    {110, XKB_KEY_KP_Decimal, XKB_KEY_KP_Delete, "KPDL"},
    {111, XKB_KEY_KP_Divide, kNone, "KPDV"},
    {112, XKB_KEY_F1, kNone, "FK01"},
    {113, XKB_KEY_F2, kNone, "FK02"},
    {114, XKB_KEY_F3, kNone, "FK03"},
    {115, XKB_KEY_F4, kNone, "FK04"},
    {116, XKB_KEY_F5, kNone, "FK05"},
    {117, XKB_KEY_F6, kNone, "FK06"},
    {118, XKB_KEY_F7, kNone, "FK07"},
    {119, XKB_KEY_F8, kNone, "FK08"},
    {120, XKB_KEY_F9, kNone, "FK09"},
    {121, XKB_KEY_F10, kNone, "FK10"},
    {122, XKB_KEY_F11, kNone, "FK11"},
    {123, XKB_KEY_F12, kNone, "FK12"},
    {124, XKB_KEY_F13, kNone, "FK13"},
    {125, XKB_KEY_F14, kNone, "FK14"},
    {126, XKB_KEY_F15, kNone, "FK15"},
    {127, XKB_KEY_F16, kNone, "FK16"},
    {128, XKB_KEY_F17, kNone, "FK17"},
    {129, XKB_KEY_F18, kNone, "FK18"},
    {130, XKB_KEY_F19, kNone, "FK19"},
    {131, XKB_KEY_F20, kNone, "FK20"},
    {132, XKB_KEY_F21, kNone, "FK21"},
    {133, XKB_KEY_F22, kNone, "FK22"},
    {134, XKB_KEY_F23, kNone, "FK23"},
    {135, XKB_KEY_F24, kNone, "FK24"},
    {144, XKB_KEY_Num_Lock, kNone, "NMLK"},
    {145, XKB_KEY_Scroll_Lock, kNone, "SCLK"},
    {160, XKB_KEY_Shift_L, kNone, "LFSH"},
    {161, XKB_KEY_Shift_R, kNone, "RTSH"},
    {162, XKB_KEY_Control_L, kNone, "LCTL"},
    {163, XKB_KEY_Control_R, kNone, "RCTL"},
    {164, XKB_KEY_Alt_L, kNone, "LALT"},
    {165, XKB_KEY_Alt_R, kNone, "RALT"},
};

constexpr const char* kLetterPositions[26] = {
    "AC01", "AB05", "AB03", "AC03", "AD03", "AC04", "AC05", "AC06", "AD08",
    "AC07", "AC08", "AC09", "AB07", "AB06", "AD09", "AD10", "AD01", "AD04",
    "AC02", "AD05", "AD07", "AB04", "AD02", "AB02", "AD06", "AB01"};

constexpr const char* kDigitPositions[10] = {"AE10", "AE01", "AE02", "AE03", "AE04",
                                             "AE05", "AE06", "AE07", "AE08", "AE09"};

constexpr PunctuationKey kPunctuation[] = {
    {187, {U'+', U'='}, "AE12"}, {188, {U',', 0}, "AB08"},  {189, {U'-', 0}, "AE11"},
    {190, {U'.', 0}, "AB09"},    {223, {0, 0}, nullptr},    {186, {U';', 0}, "AC10"},
    {191, {U'/', 0}, "AB10"},    {192, {U'`', 0}, "TLDE"},  {219, {U'[', 0}, "AD11"},
    {220, {U'\\', 0}, "BKSL"},   {221, {U']', 0}, "AD12"},  {222, {U'\'', 0}, "AC11"},
    {226, {0, 0}, "LSGT"},
};

}  // namespace

std::span<const FixedKey> FixedKeys() { return kFixedKeys; }

const char* LetterPosition(uint8_t vk) {
    return vk >= 'A' && vk <= 'Z' ? kLetterPositions[vk - 'A'] : nullptr;
}

const char* DigitPosition(uint8_t vk) {
    return vk >= '0' && vk <= '9' ? kDigitPositions[vk - '0'] : nullptr;
}

std::span<const PunctuationKey> PunctuationKeys() { return kPunctuation; }

}  // namespace tess::xkb
