#include "about/NoticeText.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

using namespace std::string_literals;

TEST(NoticeText, LineBreaksOfEveryKindGiveTheSameText) {
    EXPECT_EQ(NoticeText("first\r\nsecond\r\n"), "\rfirst\rsecond");
    EXPECT_EQ(NoticeText("first\r\nsecond"), "\rfirst\rsecond");
    EXPECT_EQ(NoticeText("first\rsecond\r"), "\rfirst\rsecond");
    EXPECT_EQ(NoticeText("first\rsecond"), "\rfirst\rsecond");
}

TEST(NoticeText, LoneLineFeedsStayInsideTheLine) {
    EXPECT_EQ(NoticeText("first\nsecond\n"), "\rfirst\nsecond\n");
    EXPECT_EQ(NoticeText("\nfirst"), "\r\nfirst");
    // Only the one line feed right after a carriage return joins the break.
    EXPECT_EQ(NoticeText("a\r\n\nb"), "\ra\r\nb");
}

TEST(NoticeText, EmptyLinesAndEmptyFile) {
    EXPECT_EQ(NoticeText(""), "");
    EXPECT_EQ(NoticeText("\r\n"), "\r");
    EXPECT_EQ(NoticeText("a\r\n\r\nb"), "\ra\r\rb");
    EXPECT_EQ(NoticeText("\r\r"), "\r\r");
}

TEST(NoticeText, CtrlZEndsTheFile) {
    EXPECT_EQ(NoticeText("one\r\ntwo\x1athree\r\n"), "\rone\rtwo");
    EXPECT_EQ(NoticeText("\x1a" "anything"), "");
    EXPECT_EQ(NoticeText("one\r\n\x1a"), "\rone");
}

TEST(NoticeText, OtherBytesPassThrough) {
    const std::string bytes = "caf\xe9 \x01\x7f\xff"s + '\0' + "end";
    EXPECT_EQ(NoticeText(bytes), "\r" + bytes);
}

TEST(NoticeText, ShownAsUtf8WithWindows1252ForOtherBytesAndNoNul) {
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"caf\xe9 \x80", "caf\xc3\xa9 \xe2\x82\xac"},
        {"a"s + '\0' + "b", "ab"},
        {"\xe9"s + '\0', "\xc3\xa9"},
    };
    for (const auto& [text, shown] : cases) EXPECT_EQ(NoticeUtf8(text), shown) << text;
}

}  // namespace
}  // namespace tess
