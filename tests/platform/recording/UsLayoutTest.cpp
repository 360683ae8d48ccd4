#include <gtest/gtest.h>

#include <string>

#include "platform/recording/RecordingSink.h"

namespace tess {
namespace {

TEST(UsLayout, PrintableAsciiHasKeysAndShiftStates) {
    EXPECT_EQ(UsLayoutVkKeyScan(U'a'), 65);
    EXPECT_EQ(UsLayoutVkKeyScan(U'Z'), 0x100 | 90);
    EXPECT_EQ(UsLayoutVkKeyScan(U'0'), 48);
    EXPECT_EQ(UsLayoutVkKeyScan(U')'), 0x100 | 48);
    EXPECT_EQ(UsLayoutVkKeyScan(U' '), 32);
    const std::string plain = ";=,-./`[\\]'";
    const std::string shifted = ":+<_>?~{|}\"";
    const int keys[] = {186, 187, 188, 189, 190, 191, 192, 219, 220, 221, 222};
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(UsLayoutVkKeyScan(static_cast<char32_t>(plain[i])), keys[i]) << plain[i];
        EXPECT_EQ(UsLayoutVkKeyScan(static_cast<char32_t>(shifted[i])), 0x100 | keys[i]) << shifted[i];
    }
    // Every printable character has a key, and no two share key and shift.
    bool seen[0x200] = {};
    for (char32_t ch = 32; ch <= 126; ++ch) {
        const int16_t code = UsLayoutVkKeyScan(ch);
        ASSERT_GE(code, 0) << static_cast<int>(ch);
        ASSERT_LT(code, 0x200);
        EXPECT_FALSE(seen[code]) << static_cast<int>(ch);
        seen[code] = true;
    }
}

TEST(UsLayout, BackspaceTabEnterAndEscapeHaveKeysOtherControlsNone) {
    for (char32_t ch : {char32_t{8}, char32_t{9}, char32_t{13}, char32_t{27}})
        EXPECT_EQ(UsLayoutVkKeyScan(ch), static_cast<int16_t>(ch)) << static_cast<int>(ch);
    for (char32_t ch : {char32_t{0}, char32_t{1}, char32_t{7}, char32_t{10}, char32_t{12}, char32_t{26},
                        char32_t{28}, char32_t{31}})
        EXPECT_EQ(UsLayoutVkKeyScan(ch), -1) << static_cast<int>(ch);
}

TEST(UsLayout, EverythingElseHasNoKey) {
    for (char32_t ch : {char32_t{0}, char32_t{31}, char32_t{127}, char32_t{0xE9},
                        char32_t{0x20AC}, char32_t{0x10FFFF}, char32_t{0xFFFFFFFF}}) {
        EXPECT_EQ(UsLayoutVkKeyScan(ch), -1) << static_cast<uint32_t>(ch);
    }
}

TEST(RecordingSink, KeepsItsOwnCursor) {
    RecordingSink sink;
    sink.SetCursorPos(-5, 70000);
    EXPECT_EQ(sink.GetCursorPos(), (ScreenPoint{-5, 70000}));
    ASSERT_EQ(sink.calls.size(), 1u);
}

}  // namespace
}  // namespace tess
