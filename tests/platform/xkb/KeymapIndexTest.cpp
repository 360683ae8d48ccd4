// Virtual keys and characters over keymaps compiled from the system's
// layout descriptions, one table per question.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/xkb/KeymapIndex.h"

namespace tess::xkb {
namespace {

struct Layout {
    const char* layout;
    const char* variant;
    xkb_layout_index_t group;
};

KeymapIndex IndexFor(const Layout& l) {
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), xkb_context_unref);
    const xkb_rule_names names{"evdev", "pc105", l.layout, l.variant, ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    EXPECT_NE(keymap, nullptr) << l.layout;
    KeymapIndex index(keymap, l.group);
    if (keymap) xkb_keymap_unref(keymap);
    return index;
}

std::string Name(const Layout& l) {
    return std::string(l.layout) + "(" + l.variant + ") group " + std::to_string(l.group);
}

constexpr Layout kUs{"us", "", 0}, kDe{"de", "", 0}, kFr{"fr", "", 0}, kRu{"ru", "", 0},
    kRuUs0{"ru,us", "", 0}, kRuUs1{"ru,us", "", 1}, kGr{"gr", "", 0},
    kDvorak{"us", "dvorak", 0};

TEST(KeymapIndexTest, VkKeyScanGivesTheKeyAndShiftStateOfEachLayout) {
    const struct {
        Layout layout;
        char32_t ch;
        int16_t expected;
    } cases[] = {
        {kUs, U'a', 0x41},    {kUs, U'A', 0x141},   {kUs, U'1', 0x31},   {kUs, U'!', 0x131},
        {kUs, U' ', 0x20},    {kUs, U';', 186},     {kUs, U':', 0x1BA},  {kUs, U'~', 0x1C0},
        {kUs, U'*', 0x138},   {kUs, U'\t', 9},      {kUs, U'\r', 13},    {kUs, U'\n', 13},
        {kUs, U'\b', 8},      {kUs, U'\x1b', 27},   {kUs, U'\x01', -1},  {kUs, U'\x7f', -1},
        {kUs, U'é', -1},      {kUs, U'ж', -1},
        {kDe, U'z', 0x5A},    {kDe, U'y', 0x59},    {kDe, U'"', 0x132},  {kDe, U'@', 0x651},
        {kDe, U'€', 0x645},   {kDe, U'ä', 220},     {kDe, U',', 188},    {kDe, U'.', 190},
        {kDe, U'-', 189},     {kDe, U'+', 187},
        {kFr, U'a', 0x41},    {kFr, U'q', 0x51},    {kFr, U'1', 0x131},  {kFr, U'&', 0x31},
        {kFr, U',', 188},     {kFr, U'?', 0x1BC},   {kFr, U'.', 0x1BE},  {kFr, U'é', 0x32},
        {kRu, U'ф', 0x41},    {kRu, U'Ф', 0x141},   {kRu, U'ы', 0x53},   {kRu, U'б', 188},
        {kRu, U'ё', 192},     {kRu, U'.', 190},     {kRu, U',', 0x1BE},  {kRu, U'a', -1},
        {kRuUs0, U'ф', 0x41}, {kRuUs0, U'a', -1},   {kRuUs1, U'a', 0x41}, {kRuUs1, U'ф', -1},
        {kGr, U'α', 0x41},    {kGr, U'σ', 0x53},    {kGr, U'Ω', 0x156},
        {kDvorak, U'w', 0x57}, {kDvorak, U'o', 0x4F}, {kDvorak, U',', 188}, {kDvorak, U'.', 190},
        {kDvorak, U';', 186}, {kDvorak, U'\'', 222}, {kDvorak, U'>', 0x1BE},
    };
    for (const auto& c : cases) {
        const KeymapIndex index = IndexFor(c.layout);
        EXPECT_EQ(index.VkKeyScan(c.ch), c.expected)
            << Name(c.layout) << " U+" << std::hex << static_cast<uint32_t>(c.ch);
    }
}

// What a key number types on its own, read back from the keymap.
TEST(KeymapIndexTest, KeyNumbersPressTheKeysWindowsWouldOnEachLayout) {
    const struct {
        Layout layout;
        uint8_t vk;
        char32_t types;
    } cases[] = {
        {kUs, 65, U'a'},      {kUs, 83, U's'},      {kUs, 188, U','},     {kUs, 190, U'.'},
        {kUs, 13, U'\r'},     {kUs, 49, U'1'},      {kUs, 226, U'<'},
        {kRu, 65, U'ф'},      {kRu, 83, U'ы'},      {kRu, 188, U'б'},     {kRu, 190, U'.'},
        {kRu, 186, U'ж'},     {kRu, 48, U'0'},
        {kFr, 65, U'a'},      {kFr, 83, U's'},      {kFr, 188, U','},     {kFr, 190, U';'},
        {kFr, 81, U'q'},      {kFr, 49, U'&'},      {kFr, 223, U'!'},
        {kDvorak, 65, U'a'},  {kDvorak, 83, U's'},  {kDvorak, 188, U','}, {kDvorak, 190, U'.'},
        {kDvorak, 87, U'w'},  {kDvorak, 186, U';'},
        {kGr, 65, U'α'},      {kGr, 83, U'σ'},      {kRuUs0, 65, U'ф'},   {kRuUs1, 65, U'a'},
        {kDe, 89, U'y'},      {kDe, 188, U','},
    };
    for (const auto& c : cases) {
        const KeymapIndex index = IndexFor(c.layout);
        const auto stroke = index.KeyForVirtualKey(c.vk);
        ASSERT_TRUE(stroke) << Name(c.layout) << " vk " << int(c.vk);
        const xkb_keysym_t* syms = nullptr;
        ASSERT_EQ(xkb_keymap_key_get_syms_by_level(index.keymap(), stroke->keycode, stroke->layout,
                                                   0, &syms),
                  1);
        EXPECT_EQ(CharForKeysym(syms[0]), c.types) << Name(c.layout) << " vk " << int(c.vk);
        EXPECT_EQ(stroke->mods, 0u);
    }
}

// Every key that types something has a code, and the code leads back to it.
TEST(KeymapIndexTest, TypingKeysAndTheirCodesAgreeBothWays) {
    for (const Layout& layout : {kUs, kDe, kFr, kRu, kRuUs1, kGr, kDvorak}) {
        const KeymapIndex index = IndexFor(layout);
        for (char32_t ch = 0x20; ch < 0x500; ++ch) {
            const auto any = index.KeyForChar(ch);
            const int16_t scan = index.VkKeyScan(ch);
            if (!any) {
                EXPECT_EQ(scan, -1) << Name(layout) << " U+" << std::hex << uint32_t(ch);
                continue;
            }
            if (scan == -1) continue;  // typed only on a key without a code (keypad)
            EXPECT_EQ(index.VirtualKeyForKeycode(index.KeycodeForVirtualKey(scan & 0xFF)),
                      scan & 0xFF)
                << Name(layout) << " U+" << std::hex << uint32_t(ch);
        }
        EXPECT_FALSE(index.SpareKeycodes().empty()) << Name(layout);
        EXPECT_NE(index.ShiftKeycode(), 0u);
    }
}

TEST(KeymapIndexTest, CharactersWithoutAKeyOfTheirOwnComeFromTheLayoutsDeadKeys) {
    const struct {
        Layout layout;
        char32_t ch;
        xkb_keysym_t dead, then;  // XKB_KEY_NoSymbol: no dead key types it
    } cases[] = {
        {kDe, U'^', XKB_KEY_dead_circumflex, XKB_KEY_space},
        {kDe, U'`', XKB_KEY_dead_grave, XKB_KEY_space},
        {kDe, U'´', XKB_KEY_dead_acute, XKB_KEY_dead_acute},
        {kDe, U'â', XKB_KEY_dead_circumflex, XKB_KEY_a},
        {kDe, U'È', XKB_KEY_dead_grave, XKB_KEY_E},
        {kFr, U'ô', XKB_KEY_dead_circumflex, XKB_KEY_o},
        {kFr, U'ë', XKB_KEY_dead_diaeresis, XKB_KEY_e},
        {kDe, U'ä', XKB_KEY_NoSymbol, XKB_KEY_NoSymbol},  // a key of its own
        {kDe, U'ж', XKB_KEY_NoSymbol, XKB_KEY_NoSymbol},
        {kUs, U'â', XKB_KEY_NoSymbol, XKB_KEY_NoSymbol},  // no dead keys at all
    };
    for (const auto& c : cases) {
        const KeymapIndex index = IndexFor(c.layout);
        const auto strokes = index.DeadKeysForChar(c.ch);
        const std::string name = Name(c.layout) + " U+" + std::to_string(static_cast<uint32_t>(c.ch));
        if (c.dead == XKB_KEY_NoSymbol) {
            EXPECT_FALSE(strokes) << name;
            continue;
        }
        ASSERT_TRUE(strokes) << name;
        EXPECT_FALSE(index.KeyForChar(c.ch)) << name;
        auto keysymOf = [&](const KeyStroke& s) {
            const xkb_keysym_t* syms = nullptr;
            return xkb_keymap_key_get_syms_by_level(index.keymap(), s.keycode, s.layout, s.level, &syms) == 1
                       ? syms[0]
                       : XKB_KEY_NoSymbol;
        };
        EXPECT_EQ(keysymOf(strokes->dead), c.dead) << name;
        EXPECT_EQ(keysymOf(strokes->then), c.then) << name;
    }
}

TEST(KeymapIndexTest, KeysymsAndCharactersGoThroughTheLibrary) {
    EXPECT_EQ(KeysymForChar(U'ж'), XKB_KEY_Cyrillic_zhe);
    EXPECT_EQ(CharForKeysym(XKB_KEY_Cyrillic_zhe), U'ж');
    EXPECT_EQ(CharForKeysym(XKB_KEY_Greek_alpha), U'α');
    EXPECT_EQ(KeysymForChar(U'€'), XKB_KEY_EuroSign);
    EXPECT_EQ(KeysymForChar(U'\n'), XKB_KEY_Return);
    EXPECT_EQ(KeysymForChar(U'\x01'), XKB_KEY_NoSymbol);
    EXPECT_EQ(KeysymForChar(0xD800), XKB_KEY_NoSymbol);
    EXPECT_EQ(CharForKeysym(XKB_KEY_KP_Enter), U'\r');
    EXPECT_EQ(CharForKeysym(XKB_KEY_Delete), 0u);
    EXPECT_EQ(CharForKeysym(XKB_KEY_dead_grave), 0u);
    EXPECT_EQ(CharForKeysym(KeysymForChar(U'😀')), U'😀');
}

}  // namespace
}  // namespace tess::xkb
