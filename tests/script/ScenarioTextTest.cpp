#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "script/ScenarioText.h"

namespace tess {
namespace {

using Lines = std::vector<std::string>;

TEST(DecodeScenario, LineEnds) {
    EXPECT_EQ(DecodeScenario(""), Lines{});
    EXPECT_EQ(DecodeScenario("a"), Lines{"a"});
    EXPECT_EQ(DecodeScenario("a\n"), Lines{"a"});
    EXPECT_EQ(DecodeScenario("a\n\n"), (Lines{"a", ""}));
    EXPECT_EQ(DecodeScenario("\n"), Lines{""});
    EXPECT_EQ(DecodeScenario("a\r\nb\nc\r\n"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(DecodeScenario("a\r\n\r\n \r\n"), (Lines{"a", "", " "}));
    // A carriage return that does not end a line is text.
    EXPECT_EQ(DecodeScenario("a\rb\n"), Lines{"a\rb"});
    EXPECT_EQ(DecodeScenario(std::string("Write a\0b\n", 10)), Lines{std::string("Write a\0b", 9)});
}

TEST(DecodeScenario, Encodings) {
    EXPECT_EQ(DecodeScenario("Write \xC3\xA9t\xC3\xA9\n"), Lines{"Write \xC3\xA9t\xC3\xA9"});
    // Not valid UTF-8 anywhere: the whole file is Windows-1252.
    EXPECT_EQ(DecodeScenario("Write \xC3\xA9\nWrite \xE9t\xE9 \x80\n"),
              (Lines{"Write \xC3\x83\xC2\xA9", "Write \xC3\xA9t\xC3\xA9 \xE2\x82\xAC"}));
    EXPECT_EQ(DecodeScenario("\xEF\xBB\xBF" "Click \n"), Lines{"Click "});
}

TEST(EncodeScenario, EveryLineEndsWithALineFeed) {
    EXPECT_EQ(EncodeScenario({}), "");
    EXPECT_EQ(EncodeScenario({""}), "\n");
    EXPECT_EQ(EncodeScenario({"a", ""}), "a\n\n");
}

TEST(ScenarioText, RoundTripKeepsEveryLine) {
    const Lines lines = {"Load link.htm", "", "CurPos 118,141", " ", "  ", "Click ", "Write  hi ",
                         "Write \xE2\x82\xAC", "", ""};
    EXPECT_EQ(DecodeScenario(EncodeScenario(lines)), lines);
    EXPECT_EQ(DecodeScenario(EncodeScenario({""})), Lines{""});
}

TEST(ScenarioText, SavingWhatWasReadKeepsTheLines) {
    // A last line that ends in a carriage return without a line feed.
    for (const char* bytes : {"a\r\nb\r", "\x88\xff\r", "\r"}) {
        const Lines lines = DecodeScenario(bytes);
        EXPECT_EQ(DecodeScenario(EncodeScenario(lines)), lines) << bytes;
    }
    EXPECT_EQ(DecodeScenario("a\r\nb\r"), (Lines{"a", "b"}));
}

TEST(ScenarioText, LineEndingInACarriageReturnSurvivesASave) {
    const Lines lines = {"Write a\r", "\r", "b"};
    EXPECT_EQ(EncodeScenario(lines), "Write a\r\r\n\r\r\nb\n");
    EXPECT_EQ(DecodeScenario(EncodeScenario(lines)), lines);
    const Lines read = DecodeScenario("\r\n\xf8\r\r\n\xf8");
    EXPECT_EQ(DecodeScenario(EncodeScenario(read)), read);
}

TEST(ScenarioText, FirstLineStartingWithAByteOrderMarkSurvivesASave) {
    const Lines read = DecodeScenario("\xEF\xBB\xBF\xEF\xBB\xBFWrite x\n");
    EXPECT_EQ(read, Lines{"\xEF\xBB\xBFWrite x"});
    EXPECT_EQ(DecodeScenario(EncodeScenario(read)), read);
    EXPECT_EQ(EncodeScenario({"Write x", "\xEF\xBB\xBF"}), "Write x\n\xEF\xBB\xBF\n");
}

class ScenarioFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tess-scenario-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    std::filesystem::path dir_;
};

TEST_F(ScenarioFileTest, WriteThenReadGivesTheSameLines) {
    const Lines lines = {"Cycle 3", "", " ", "CycleEnd "};
    std::string error;
    ASSERT_TRUE(WriteScenarioFile(Path("a.sf"), lines, error)) << error;
    Lines read;
    ASSERT_TRUE(ReadScenarioFile(Path("a.sf"), read, error)) << error;
    EXPECT_EQ(read, lines);
    // Saving again replaces the file and leaves nothing else behind.
    ASSERT_TRUE(WriteScenarioFile(Path("a.sf"), {"Stop"}, error));
    ASSERT_TRUE(ReadScenarioFile(Path("a.sf"), read, error));
    EXPECT_EQ(read, Lines{"Stop"});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(ScenarioFileTest, NameOutsideAsciiIsTheFileOnDisk) {
    // The name is UTF-8 whatever the system's code page is.
    const std::u8string dir = dir_.u8string();
    const std::string name = std::string(dir.begin(), dir.end()) + "/sc\xC3\xA9nario.sf";
    std::string error;
    ASSERT_TRUE(WriteScenarioFile(name, {"Click "}, error)) << error;
    Lines read;
    ASSERT_TRUE(ReadScenarioFile(name, read, error)) << error;
    EXPECT_EQ(read, Lines{"Click "});
    const auto entries = std::vector<std::filesystem::directory_entry>(std::filesystem::directory_iterator(dir_), {});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].path().filename().u8string() == u8"sc\u00E9nario.sf");
}

TEST_F(ScenarioFileTest, ReadErrorsNameTheFileAndTheReason) {
    Lines read = {"kept"};
    std::string error;
    EXPECT_FALSE(ReadScenarioFile(Path("missing.sf"), read, error));
    EXPECT_NE(error.find("missing.sf"), std::string::npos);
    EXPECT_NE(error.find("no such file"), std::string::npos);
    EXPECT_FALSE(ReadScenarioFile(dir_.string(), read, error));
    EXPECT_NE(error.find("directory"), std::string::npos);
#ifndef _WIN32  // pipes, devices and permission bits as POSIX systems have them
    // A pipe would wait for a writer, a device would never end.
    ASSERT_EQ(::mkfifo(Path("pipe.sf").c_str(), 0600), 0);
    EXPECT_FALSE(ReadScenarioFile(Path("pipe.sf"), read, error));
    EXPECT_NE(error.find("not a plain file"), std::string::npos);
    std::filesystem::create_symlink("/dev/zero", Path("zero.sf"));
    EXPECT_FALSE(ReadScenarioFile(Path("zero.sf"), read, error));
    EXPECT_NE(error.find("zero.sf"), std::string::npos);
    EXPECT_EQ(read, Lines{"kept"});
    if (::geteuid() != 0) {
        std::ofstream(Path("locked.sf")) << "Click\n";
        std::filesystem::permissions(Path("locked.sf"), std::filesystem::perms::none);
        EXPECT_FALSE(ReadScenarioFile(Path("locked.sf"), read, error));
        EXPECT_NE(error.find("cannot be read"), std::string::npos);
    }
#endif
}

TEST_F(ScenarioFileTest, FailedWriteKeepsTheOldFile) {
    std::string error;
    EXPECT_FALSE(WriteScenarioFile(Path("no/such/dir/a.sf"), {"Click"}, error));
    EXPECT_NE(error.find("cannot be written"), std::string::npos);
    // A directory in the way: the write fails and nothing is lost.
    std::filesystem::create_directory(Path("taken.sf"));
    std::ofstream(Path("taken.sf/keep")) << "x";
    EXPECT_FALSE(WriteScenarioFile(Path("taken.sf"), {"Click"}, error));
    EXPECT_TRUE(std::filesystem::exists(Path("taken.sf/keep")));
}

}  // namespace
}  // namespace tess
