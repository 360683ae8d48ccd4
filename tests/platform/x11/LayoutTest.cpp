// Characters and the layout: VkKeyScanA read through XKB, text typed into a
// focused window, characters the layout lacks, the AltGr level.
#include <X11/keysym.h>

#include "SinkFixture.h"
#include "playback/HeldInput.h"
#include "playback/ActionExecution.h"

namespace tess::x11::testing {
namespace {

using LayoutTest = SinkTest;

TEST_F(LayoutTest, CharactersMapToKeysAndShiftStateOfTheUsLayout) {
    UseLayout("us");
    EXPECT_EQ(sink->VkKeyScanA(U'a'), 0x41);
    EXPECT_EQ(sink->VkKeyScanA(U'A'), 0x141);
    EXPECT_EQ(sink->VkKeyScanA(U'1'), 0x31);
    EXPECT_EQ(sink->VkKeyScanA(U'!'), 0x131);
    EXPECT_EQ(sink->VkKeyScanA(U' '), 0x20);
    EXPECT_EQ(sink->VkKeyScanA(U';'), 186);
    EXPECT_EQ(sink->VkKeyScanA(U':'), 0x100 | 186);
    EXPECT_EQ(sink->VkKeyScanA(U'~'), 0x100 | 192);
    EXPECT_EQ(sink->VkKeyScanA(U'\t'), 9);
    EXPECT_EQ(sink->VkKeyScanA(U'\r'), 13);
    EXPECT_EQ(sink->VkKeyScanA(U'é'), -1);
    EXPECT_EQ(sink->VkKeyScanA(U'€'), -1);
    EXPECT_EQ(sink->VkKeyScanA(U'\x01'), -1);
}

TEST_F(LayoutTest, GermanLayoutMovesKeysAndReportsAltGrAsCtrlAlt) {
    UseLayout("de");
    EXPECT_EQ(sink->VkKeyScanA(U'z'), 'Z');
    EXPECT_EQ(sink->VkKeyScanA(U'y'), 'Y');
    EXPECT_EQ(sink->VkKeyScanA(U'"'), 0x100 | '2');
    EXPECT_EQ(sink->VkKeyScanA(U'@'), 0x600 | 'Q');
    EXPECT_EQ(sink->VkKeyScanA(U'€'), 0x600 | 'E');
    EXPECT_NE(sink->VkKeyScanA(U'ä'), -1);

    // Ctrl+Alt on a key with an AltGr character types it, as on Windows...
    Press(17);
    Press(18);
    Stroke('Q');
    Release(18);
    Release(17);
    // ...while on a key without one it stays a Ctrl+Alt shortcut.
    Press(17);
    Press(18);
    Stroke(13);
    Release(18);
    Release(17);
    sink->Flush();
    const auto seen = client->Collect();
    std::vector<SeenEvent> presses;
    for (const auto& e : seen) {
        if (e.type == KeyPress) presses.push_back(e);
    }
    ASSERT_FALSE(presses.empty());
    EXPECT_EQ(WatchingClient::Typed(seen).substr(0, 1), "@");
    const auto at = std::find_if(presses.begin(), presses.end(),
                                 [](const SeenEvent& e) { return e.keysym == XK_at; });
    ASSERT_NE(at, presses.end());
    EXPECT_EQ(at->state & (ControlMask | Mod1Mask), 0u);
    const unsigned returnKey = XKeysymToKeycode(client->display(), XK_Return);
    const auto ret = std::find_if(presses.begin(), presses.end(),
                                 [&](const SeenEvent& e) { return e.detail == returnKey; });
    ASSERT_NE(ret, presses.end());
    EXPECT_EQ(ret->state & (ControlMask | Mod1Mask), unsigned(ControlMask | Mod1Mask));
    EXPECT_FALSE(client->AnythingHeld());
}

TEST_F(LayoutTest, WrittenTextArrivesAsTypedOnEitherLayout) {
    for (const char* layout : {"us", "de", "fr"}) {
        UseLayout(layout);
        client->Collect();
        HeldInput held;
        WriteText("Hello, World! 123", *sink, held);
        sink->Flush();
        EXPECT_EQ(WatchingClient::Typed(client->Collect()), "Hello, World! 123") << layout;
        EXPECT_FALSE(client->AnythingHeld()) << layout;
    }
}

TEST_F(LayoutTest, CharactersOffTheLayoutArriveAndTheMappingIsRestored) {
    UseLayout("us");
    const auto before = client->KeyboardMapping();

    // On the layout: typed with its own key, the mapping untouched.
    sink->SendUnicodeChar(U'A');
    sink->Flush();
    EXPECT_EQ(client->KeyboardMapping(), before);

    sink->SendUnicodeChar(U'é');
    sink->SendUnicodeChar(U'ж');
    sink->SendUnicodeChar(U'é');
    sink->SendUnicodeChar(U'€');
    sink->Flush();
    EXPECT_EQ(WatchingClient::Typed(client->Collect()), "Aéжé€");
    EXPECT_FALSE(client->AnythingHeld());

    sink->RestoreKeyboardMapping();
    sink->Flush();
    EXPECT_EQ(client->KeyboardMapping(), before);

    // Borrowed again after the restore, and given back when the sink ends.
    HeldInput held;
    WriteText("añb", *sink, held);
    sink->Flush();
    EXPECT_EQ(WatchingClient::Typed(client->Collect()), "añb");
    sink.reset();
    EXPECT_EQ(client->KeyboardMapping(), before);
}

}  // namespace
}  // namespace tess::x11::testing
