#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/xdg/XdgSettingsTree.h"

namespace fs = std::filesystem;
using namespace tess;

namespace {

constexpr const char* kKey = "\\Software\\Velmora\\Tessaline 0003";

class SettingsTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tess-settings-XXXXXX";
        dir_ = mkdtemp(pattern);
        file_ = dir_ + "/cfg/tessaline-0003/settings-tree";
    }
    void TearDown() override {
        chmod((dir_ + "/cfg/tessaline-0003").c_str(), 0700);
        fs::remove_all(dir_);
    }
    std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteFile(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    void SetInt(XdgSettingsTree& tree, const char* name, int32_t v) {
        SettingsKey key = 0;
        ASSERT_EQ(tree.CreateKey(kKey, key), SettingsStatus::Ok);
        ASSERT_EQ(tree.SetValue(key, name, 4, &v, 4), SettingsStatus::Ok);
        tree.CloseKey(key);
    }
    std::string dir_, file_;
};

TEST_F(SettingsTreeTest, MissingFileMeansMissingKeyAndCreateMakesParents) {
    XdgSettingsTree tree(file_);
    SettingsKey key = 0;
    EXPECT_EQ(tree.OpenKey(kKey, SettingsAccess::Read, key), SettingsStatus::NotFound);
    EXPECT_EQ(key, 0);
    ASSERT_EQ(tree.CreateKey(kKey, key), SettingsStatus::Ok);
    EXPECT_NE(key, 0);
    EXPECT_EQ(tree.CloseKey(key), SettingsStatus::Ok);
    EXPECT_EQ(tree.CloseKey(key), SettingsStatus::InvalidHandle);

    XdgSettingsTree again(file_);
    for (const char* path : {"\\Software", "\\Software\\Velmora", kKey, "software\\VELMORA\\"}) {
        EXPECT_EQ(again.OpenKey(path, SettingsAccess::Read, key), SettingsStatus::Ok) << path;
        again.CloseKey(key);
    }
}

TEST_F(SettingsTreeTest, ValuesKeepTheirTypesAndData) {
    XdgSettingsTree tree(file_);
    SettingsKey key = 0;
    ASSERT_EQ(tree.CreateKey(kKey, key), SettingsStatus::Ok);
    int32_t top = -1234;
    ASSERT_EQ(tree.SetValue(key, "top", 4, &top, 4), SettingsStatus::Ok);
    ASSERT_EQ(tree.SetValue(key, "left name=%[x]", 1, "100", 4), SettingsStatus::Ok);
    ASSERT_EQ(tree.SetValue(key, "path", 2, "%HOME%", 7), SettingsStatus::Ok);
    ASSERT_EQ(tree.SetValue(key, "blob", 3, "\0\xff\n", 3), SettingsStatus::Ok);
    ASSERT_EQ(tree.SetValue(key, "odd", 11, "12345678", 8), SettingsStatus::Ok);
    tree.CloseKey(key);

    XdgSettingsTree reread(file_);
    ASSERT_EQ(reread.OpenKey(kKey, SettingsAccess::Read, key), SettingsStatus::Ok);
    uint32_t type = 0, size = 0;
    int32_t value = 0;
    size = 4;
    ASSERT_EQ(reread.QueryValue(key, "TOP", &type, &value, &size), SettingsStatus::Ok);
    EXPECT_EQ(CategoryOf(type), SettingsCategory::Integer32);
    EXPECT_EQ(value, -1234);
    EXPECT_EQ(size, 4u);

    const std::pair<const char*, SettingsCategory> expected[] = {
        {"left name=%[x]", SettingsCategory::Text},
        {"path", SettingsCategory::ExpandableText},
        {"blob", SettingsCategory::Binary},
        {"odd", SettingsCategory::Other}};
    for (auto [name, category] : expected) {
        ASSERT_EQ(reread.QueryValue(key, name, &type, nullptr, &size), SettingsStatus::Ok) << name;
        EXPECT_EQ(CategoryOf(type), category) << name;
    }
    char blob[8] = {};
    size = sizeof blob;
    ASSERT_EQ(reread.QueryValue(key, "blob", nullptr, blob, &size), SettingsStatus::Ok);
    EXPECT_EQ(std::string(blob, size), std::string("\0\xff\n", 3));
    EXPECT_EQ(reread.QueryValue(key, "width", &type, nullptr, &size), SettingsStatus::NotFound);
}

TEST_F(SettingsTreeTest, FixedBufferTooSmallGivesMoreData) {
    XdgSettingsTree tree(file_);
    SettingsKey key = 0;
    ASSERT_EQ(tree.CreateKey(kKey, key), SettingsStatus::Ok);
    ASSERT_EQ(tree.SetValue(key, "top", 4, "12345678", 8), SettingsStatus::Ok);
    int32_t value = 7;
    uint32_t size = 4;
    EXPECT_EQ(tree.QueryValue(key, "top", nullptr, &value, &size), SettingsStatus::MoreData);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(value, 7);
}

TEST_F(SettingsTreeTest, ReadOnlyHandleCannotWrite) {
    SetInt(*std::make_unique<XdgSettingsTree>(file_), "top", 1);
    XdgSettingsTree tree(file_);
    SettingsKey key = 0;
    ASSERT_EQ(tree.OpenKey(kKey, SettingsAccess::Read, key), SettingsStatus::Ok);
    int32_t v = 2;
    EXPECT_EQ(tree.SetValue(key, "top", 4, &v, 4), SettingsStatus::InvalidHandle);
}

TEST_F(SettingsTreeTest, DamagedFileCountsAsMissingAndIsSetAside) {
    const char* damaged[] = {"", "garbage\n", "Tessaline settings tree 1\ntop=4:00\n",
                             "Tessaline settings tree 1\n[\\A]\ntop=4:0\n",
                             "Tessaline settings tree 1\n[\\A]\ntop=x:00\n",
                             "Tessaline settings tree 1\n[\\A%Z1]\n"};
    for (const char* text : damaged) {
        WriteFile(file_, text);
        XdgSettingsTree tree(file_);
        SettingsKey key = 0;
        EXPECT_EQ(tree.OpenKey("\\A", SettingsAccess::Read, key), SettingsStatus::NotFound) << text;
    }
    WriteFile(file_, "not a settings file\n");
    SetInt(*std::make_unique<XdgSettingsTree>(file_), "top", 5);
    EXPECT_EQ(ReadFile(file_ + ".damaged"), "not a settings file\n");
    XdgSettingsTree tree(file_);
    SettingsKey key = 0;
    ASSERT_EQ(tree.OpenKey(kKey, SettingsAccess::Read, key), SettingsStatus::Ok);
}

TEST_F(SettingsTreeTest, WritesKeepOtherKeysAndLeaveNoTemporaryFiles) {
    WriteFile(file_, "Tessaline settings tree 1\n[\\Other]\nx=1:6100\n");
    SetInt(*std::make_unique<XdgSettingsTree>(file_), "top", 5);
    XdgSettingsTree tree(file_);
    SettingsKey key = 0;
    ASSERT_EQ(tree.OpenKey("\\Other", SettingsAccess::Read, key), SettingsStatus::Ok);
    char text[4] = {};
    uint32_t size = sizeof text;
    ASSERT_EQ(tree.QueryValue(key, "x", nullptr, text, &size), SettingsStatus::Ok);
    EXPECT_STREQ(text, "a");
    int files = 0;
    for (auto& entry : fs::directory_iterator(fs::path(file_).parent_path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(SettingsTreeTest, KeyGoneFromTheFileWhileOpenIsWrittenBackWithItsPath) {
    XdgSettingsTree tree(file_);
    SettingsKey key = 0, root = 0;
    ASSERT_EQ(tree.CreateKey(kKey, key), SettingsStatus::Ok);
    // Another copy rewrites the file without the key; a later open reads that.
    WriteFile(file_, "Tessaline settings tree 1\n[\\Other]\n");
    ASSERT_EQ(tree.OpenKey("", SettingsAccess::Read, root), SettingsStatus::Ok);
    int32_t v = 7;
    ASSERT_EQ(tree.SetValue(key, "top", 4, &v, 4), SettingsStatus::Ok);

    XdgSettingsTree::Tree written;
    ASSERT_TRUE(ParseSettingsText(ReadFile(file_), written)) << ReadFile(file_);
    EXPECT_EQ(written.count("\\other"), 1u);
    EXPECT_EQ(written.count("\\software\\velmora"), 1u);
    ASSERT_EQ(written.count(SettingsLower(kKey)), 1u);
    EXPECT_EQ(written[SettingsLower(kKey)].path, kKey);
    EXPECT_EQ(written[SettingsLower(kKey)].values["top"].data, std::string("\7\0\0\0", 4));
}

TEST_F(SettingsTreeTest, ValueAtTheTopKeyIsRefusedRatherThanDroppedAsDone) {
    // The file has no section for the top key, so a value there cannot be kept.
    XdgSettingsTree tree(file_);
    SettingsKey root = 0;
    ASSERT_EQ(tree.CreateKey("\\", root), SettingsStatus::Ok);
    int32_t v = 7;
    EXPECT_EQ(tree.SetValue(root, "top", 4, &v, 4), SettingsStatus::InvalidName);
    EXPECT_EQ(tree.QueryValue(root, "top", nullptr, nullptr, nullptr), SettingsStatus::NotFound);
}

TEST_F(SettingsTreeTest, UnwritableDirectoryDeniesFullAccessAndFailsWrites) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    SetInt(*std::make_unique<XdgSettingsTree>(file_), "top", 5);
    std::string before = ReadFile(file_);
    chmod(fs::path(file_).parent_path().c_str(), 0500);
    XdgSettingsTree tree(file_);
    SettingsKey key = 0;
    EXPECT_EQ(tree.OpenKey(kKey, SettingsAccess::AllAccess, key), SettingsStatus::AccessDenied);
    ASSERT_EQ(tree.CreateKey(kKey, key), SettingsStatus::Ok);  // exists already
    int32_t v = 9;
    EXPECT_EQ(tree.SetValue(key, "top", 4, &v, 4), SettingsStatus::WriteFailed);
    EXPECT_EQ(ReadFile(file_), before);
}

TEST_F(SettingsTreeTest, StoreThatCannotBeWrittenReportsIt) {
    // A plain file where the directory should be: nothing can be created.
    WriteFile(dir_ + "/blocked", "x");
    XdgSettingsTree blocked(dir_ + "/blocked/tessaline-0003/settings-tree");
    SettingsKey key = 0;
    EXPECT_NE(blocked.CreateKey(kKey, key), SettingsStatus::Ok);

    // A directory in place of the file: unreadable, so never replaced.
    fs::create_directories(file_);
    XdgSettingsTree tree(file_);
    EXPECT_NE(tree.OpenKey(kKey, SettingsAccess::Read, key), SettingsStatus::Ok);
    EXPECT_NE(tree.CreateKey(kKey, key), SettingsStatus::Ok);
    EXPECT_TRUE(fs::is_directory(file_));
}

// A pipe in the file's place is not read (it would wait for a writer for
// good) and not replaced.
TEST_F(SettingsTreeTest, PipeInPlaceOfTheFileNeitherBlocksNorIsReplaced) {
    fs::create_directories(fs::path(file_).parent_path());
    ASSERT_EQ(mkfifo(file_.c_str(), 0600), 0);
    XdgSettingsTree tree(file_);
    SettingsKey key = 0;
    EXPECT_EQ(tree.OpenKey(kKey, SettingsAccess::Read, key), SettingsStatus::AccessDenied);
    EXPECT_EQ(tree.CreateKey(kKey, key), SettingsStatus::AccessDenied);
    EXPECT_TRUE(fs::is_fifo(file_));
}

// Values set in one batch reach the file in one write at its end: the file
// is not replaced before, and holds them all after.
TEST_F(SettingsTreeTest, BatchWritesTheFileOnce) {
    WriteFile(file_, "");
    struct stat before {};
    ASSERT_EQ(stat(file_.c_str(), &before), 0);
    XdgSettingsTree tree(file_);
    tree.BeginBatch();
    for (const char* name : {"top", "left", "height", "width"}) SetInt(tree, name, 7);
    struct stat during {};
    ASSERT_EQ(stat(file_.c_str(), &during), 0);
    EXPECT_EQ(during.st_ino, before.st_ino);
    EXPECT_EQ(during.st_size, 0);
    EXPECT_EQ(tree.EndBatch(), SettingsStatus::Ok);
    XdgSettingsTree again(file_);
    SettingsKey key = 0;
    ASSERT_EQ(again.OpenKey(kKey, SettingsAccess::Read, key), SettingsStatus::Ok);
    for (const char* name : {"top", "left", "height", "width"}) {
        int32_t v = 0;
        uint32_t size = 4;
        EXPECT_EQ(again.QueryValue(key, name, nullptr, &v, &size), SettingsStatus::Ok) << name;
        EXPECT_EQ(v, 7) << name;
    }
}

TEST_F(SettingsTreeTest, SettingsFileFollowsXdgConfigHome) {
    setenv("XDG_CONFIG_HOME", (dir_ + "/cfg").c_str(), 1);
    EXPECT_EQ(UserSettingsFilePath(), file_);
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", dir_.c_str(), 1);
    EXPECT_EQ(UserSettingsFilePath(), dir_ + "/.config/tessaline-0003/settings-tree");
}

TEST(SettingsText, KeyPathsNormalize) {
    std::string out;
    ASSERT_TRUE(NormalizeKeyPath("\\Software\\\\Velmora\\", out));
    EXPECT_EQ(out, "\\Software\\Velmora");
    ASSERT_TRUE(NormalizeKeyPath("Software", out));
    EXPECT_EQ(out, "\\Software");
    EXPECT_FALSE(NormalizeKeyPath("bad\nname", out));
}

}  // namespace
