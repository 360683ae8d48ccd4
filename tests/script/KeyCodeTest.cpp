#include <gtest/gtest.h>

#include <string>

#include "platform/recording/RecordingSink.h"
#include "script/ActionLine.h"

namespace tess {
namespace {

int Key(const std::string& line) {
    RecordingSink sink;
    return ReadKeyCode(line, sink);
}

TEST(ReadKeyCode, CharactersMapThroughTheLayoutWithoutShift) {
    EXPECT_EQ(Key("KeyPress a"), 65);
    EXPECT_EQ(Key("KeyPress A"), 65);
    EXPECT_EQ(Key("KeyPress ab"), 65);
    EXPECT_EQ(Key("KeyPress !"), 49);
    EXPECT_EQ(Key("KeyPress  "), 32);  // a second blank is the space key
    EXPECT_EQ(Key("KeyPress "), 255);  // character code 0 has no key
    EXPECT_EQ(Key("KeyPress \xC3\xA9"), 255);  // é: no key on the US layout
    EXPECT_EQ(Key("KeyPress \xE9"), 255);      // invalid UTF-8 does no harm
}

TEST(ReadKeyCode, KeyNumbers) {
    EXPECT_EQ(Key("KeyPress #13"), 13);
    EXPECT_EQ(Key("KeyDown #16"), 16);
    EXPECT_EQ(Key("KeyPress # 13"), 13);
    EXPECT_EQ(Key("KeyPress #$1B"), 27);
    EXPECT_EQ(Key("KeyPress #x1b"), 27);
    EXPECT_EQ(Key("KeyPress #X1B"), 27);
    EXPECT_EQ(Key("KeyPress #0x1B"), 27);
    EXPECT_EQ(Key("KeyPress #0X1b"), 27);
    EXPECT_EQ(Key("KeyPress #$00000000000141"), 0x41);  // leading zeros are not significant
    EXPECT_EQ(Key("KeyPress #$FFFFFFFF"), 255);
    EXPECT_EQ(Key("KeyPress #-1"), 255);
    EXPECT_EQ(Key("KeyPress #+65"), 65);
    EXPECT_EQ(Key("KeyPress #321"), 65);  // low 8 bits
    EXPECT_EQ(Key("KeyPress #-2147483648"), 0);
    EXPECT_EQ(Key("KeyPress #2147483647"), 255);
}

TEST(ReadKeyCode, MalformedKeysFail) {
    for (const char* bad :
         {"KeyPress #", "KeyPress #13 ", "KeyPress #1a", "KeyPress #$", "KeyPress #0x", "KeyPress #-$1B",
          "KeyPress #$123456789", "KeyPress #2147483648", "KeyPress #-2147483649", "KeyPress #+",
          "KeyPress # ", "KeyPress #1 3"}) {
        EXPECT_THROW(Key(bad), LineFailure) << bad;
    }
    // No blank at all: no key character to read.
    EXPECT_THROW(Key("KeyPress"), LineFailure);
    EXPECT_THROW(Key("KeyUp"), LineFailure);
    EXPECT_THROW(Key("KeyPress #" + std::string(100000, '7')), LineFailure);
}

}  // namespace
}  // namespace tess
