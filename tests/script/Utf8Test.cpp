#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/Utf8.h"

namespace tess {
namespace {

std::vector<char32_t> Decode(std::string_view text) {
    std::vector<char32_t> out;
    std::size_t pos = 0;
    while (pos < text.size()) out.push_back(NextCodePoint(text, pos));
    return out;
}

TEST(Utf8, DecodesValidSequences) {
    EXPECT_EQ(Decode("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::vector<char32_t>{U'a', 0xE9, 0x20AC, 0x1F600}));
    EXPECT_EQ(Decode(std::string("\0", 1)), std::vector<char32_t>{0});
    EXPECT_TRUE(IsValidUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
}

TEST(Utf8, InvalidBytesStandForTheirWindows1252Characters) {
    // Lone byte, stray continuation, truncated, overlong, surrogate, too high.
    EXPECT_EQ(Decode("\xE9t"), (std::vector<char32_t>{0xE9, U't'}));
    EXPECT_EQ(Decode("\x80"), std::vector<char32_t>{0x20AC});
    EXPECT_EQ(Decode("\xE2\x82"), (std::vector<char32_t>{0xE2, 0x201A}));
    EXPECT_EQ(Decode("\xC0\xAF"), (std::vector<char32_t>{0xC0, 0xAF}));
    EXPECT_EQ(Decode("\xED\xA0\x80").size(), 3u);
    EXPECT_EQ(Decode("\xF4\x90\x80\x80").size(), 4u);
    EXPECT_EQ(Decode("\x81\x8D\x8F\x90\x9D"), (std::vector<char32_t>{0x81, 0x8D, 0x8F, 0x90, 0x9D}));
    for (const char* bad : {"\xE9", "\x80", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    }
}

TEST(Utf8, EncodesAndConverts) {
    std::string out;
    for (char32_t ch : {U'a', char32_t{0xE9}, char32_t{0x20AC}, char32_t{0x1F600}}) AppendUtf8(out, ch);
    EXPECT_EQ(out, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(Windows1252ToUtf8("\x93hi\x94 \xFC"), "\xE2\x80\x9Chi\xE2\x80\x9D \xC3\xBC");
}

}  // namespace
}  // namespace tess
