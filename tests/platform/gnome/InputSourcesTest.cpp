// GNOME Shell's input sources as gsettings prints them, to the keymap
// layout in force.
#include <gtest/gtest.h>

#include "platform/gnome/InputSources.h"

namespace tess::gnome {
namespace {

TEST(InputSourcesTest, TheCurrentSourceIsItsIndexAmongTheKeyboardLayouts) {
    const struct {
        const char* sources;
        const char* mru;
        unsigned layout;
    } cases[] = {
        {"[('xkb', 'de'), ('xkb', 'ru')]", "[('xkb', 'ru'), ('xkb', 'de')]", 1},
        {"[('xkb', 'de'), ('xkb', 'ru')]", "[('xkb', 'de'), ('xkb', 'ru')]", 0},
        {"[('xkb', 'us'), ('ibus', 'anthy'), ('xkb', 'fr+azerty')]", "[('xkb', 'fr+azerty')]", 1},
        {"[('xkb', 'us'), ('ibus', 'anthy')]", "[('ibus', 'anthy'), ('xkb', 'us')]", 0},
        {"[('xkb', 'de'), ('xkb', 'ru')]", "@a(ss) []", 0},
        {"[('xkb', 'de'), ('xkb', 'ru')]", "[('xkb', 'gr')]", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mru);
        const auto sources = ParseInputSources(c.sources);
        const auto mru = ParseInputSources(c.mru);
        ASSERT_TRUE(sources && mru);
        EXPECT_EQ(CurrentLayout(*sources, *mru), c.layout);
    }
    for (const char* bad : {"", "[('xkb', 'de')", "[('xkb')]", "('xkb', 'de')", "[('xkb', 'de),]"}) {
        EXPECT_FALSE(ParseInputSources(bad)) << bad;
    }
    EXPECT_EQ(ParseInputSources("[('xkb', 'it\\'s')]\n")->front().second, "it's");
}

}  // namespace
}  // namespace tess::gnome
