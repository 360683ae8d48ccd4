// The registry settings tree keeps the contract of the other stores: typed
// values, MoreData for a small buffer, no writes through a read-only key,
// refused names. Each test works under a private key of the current user.
#include <gtest/gtest.h>

#include "platform/win/RegistrySettingsTree.h"

#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <string>

namespace tess::win {
namespace {

constexpr const char* kKey = "\\Software\\Velmora\\Tessaline 0003";

class RegistryTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = L"Software\\Velmora\\Tessaline 0003 tests\\" + std::to_wstring(::GetCurrentProcessId());
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &root_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegCloseKey(root_);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\Tessaline 0003 tests");
    }
    HKEY root_ = nullptr;
    std::wstring base_;
};

TEST_F(RegistryTreeTest, KeysAndValuesKeepTheirTypesAndData) {
    RegistrySettingsTree tree(root_);
    SettingsKey key = 0;
    EXPECT_EQ(tree.OpenKey(kKey, SettingsAccess::Read, key), SettingsStatus::NotFound);
    EXPECT_EQ(key, 0);
    ASSERT_EQ(tree.CreateKey(kKey, key), SettingsStatus::Ok);
    EXPECT_NE(key, 0);
    const int32_t top = -5000;
    EXPECT_EQ(tree.SetValue(key, "top", 4, &top, 4), SettingsStatus::Ok);
    EXPECT_EQ(tree.SetValue(key, "name", 1, "Gr\xC3\xBC\xC3\x9F" "e", 7), SettingsStatus::Ok);
    EXPECT_EQ(tree.SetValue(key, "blob", 3, "\x01\x00\x02", 3), SettingsStatus::Ok);
    EXPECT_EQ(tree.SetValue(key, "odd", 77, "x", 1), SettingsStatus::Ok);
    EXPECT_EQ(tree.CloseKey(key), SettingsStatus::Ok);
    EXPECT_EQ(tree.CloseKey(key), SettingsStatus::InvalidHandle);

    // A second tree sees what the first wrote; the parents exist.
    RegistrySettingsTree again(root_);
    SettingsKey parent = 0;
    EXPECT_EQ(again.OpenKey("\\Software\\\\Velmora\\", SettingsAccess::Read, parent), SettingsStatus::Ok);
    again.CloseKey(parent);
    ASSERT_EQ(again.OpenKey(kKey, SettingsAccess::Read, key), SettingsStatus::Ok);
    uint32_t type = 0, size = 4;
    int32_t value = 0;
    EXPECT_EQ(again.QueryValue(key, "TOP", &type, &value, &size), SettingsStatus::Ok);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(value, -5000);
    EXPECT_EQ(CategoryOf(type), SettingsCategory::Integer32);
    char text[16] = {};
    size = sizeof text;
    EXPECT_EQ(again.QueryValue(key, "name", &type, text, &size), SettingsStatus::Ok);
    EXPECT_EQ(std::string(text, size), "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(CategoryOf(type), SettingsCategory::Text);
    size = sizeof text;
    EXPECT_EQ(again.QueryValue(key, "blob", &type, text, &size), SettingsStatus::Ok);
    EXPECT_EQ(std::string(text, size), std::string("\x01\x00\x02", 3));
    EXPECT_EQ(again.QueryValue(key, "odd", &type, nullptr, &size), SettingsStatus::Ok);
    EXPECT_EQ(CategoryOf(type), SettingsCategory::Other);
    EXPECT_EQ(again.QueryValue(key, "missing", &type, nullptr, &size), SettingsStatus::NotFound);
    again.CloseKey(key);
}

TEST_F(RegistryTreeTest, SmallBufferReadOnlyKeyAndBadNames) {
    RegistrySettingsTree tree(root_);
    SettingsKey key = 0;
    ASSERT_EQ(tree.CreateKey(kKey, key), SettingsStatus::Ok);
    const int64_t wide = 7;
    ASSERT_EQ(tree.SetValue(key, "width", 4, &wide, 8), SettingsStatus::Ok);
    int32_t value = 0;
    uint32_t type = 0, size = 4;
    EXPECT_EQ(tree.QueryValue(key, "width", &type, &value, &size), SettingsStatus::MoreData);
    EXPECT_EQ(size, 8u);
    // Values live under a named key, never at the top.
    SettingsKey top = 0;
    ASSERT_EQ(tree.OpenKey("\\", SettingsAccess::AllAccess, top), SettingsStatus::Ok);
    EXPECT_EQ(tree.SetValue(top, "top", 4, &value, 4), SettingsStatus::InvalidName);
    tree.CloseKey(top);
    EXPECT_EQ(tree.CreateKey("\\Software\\bad\x01name", top), SettingsStatus::InvalidName);
    tree.CloseKey(key);

    SettingsKey readOnly = 0;
    ASSERT_EQ(tree.OpenKey(kKey, SettingsAccess::Read, readOnly), SettingsStatus::Ok);
    EXPECT_EQ(tree.SetValue(readOnly, "top", 4, &value, 4), SettingsStatus::InvalidHandle);
    EXPECT_EQ(tree.QueryValue(12345, "top", &type, nullptr, &size), SettingsStatus::InvalidHandle);
    tree.CloseKey(readOnly);
}

TEST_F(RegistryTreeTest, UserTreeIsTheRegistryThatOtherProgramsRead) {
    // The program's own key, as reg.exe (another process) reads it back.
    const auto tree = CreateUserSettingsTree();
    const std::string path = "\\Software\\Velmora\\Tessaline 0003 tests\\" +
                             std::to_string(::GetCurrentProcessId()) + "\\placement";
    SettingsKey key = 0;
    ASSERT_EQ(tree->CreateKey(path, key), SettingsStatus::Ok);
    const int32_t left = 321;
    ASSERT_EQ(tree->SetValue(key, "left", 4, &left, 4), SettingsStatus::Ok);
    tree->CloseKey(key);
    const std::string command = "reg query \"HKCU" + path + "\" /v left";
    std::FILE* reg = ::_popen(command.c_str(), "r");
    ASSERT_NE(reg, nullptr);
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, reg)) output += chunk;
    ::_pclose(reg);
    EXPECT_NE(output.find("REG_DWORD"), std::string::npos) << output;
    EXPECT_NE(output.find("0x141"), std::string::npos) << output;
}

}  // namespace
}  // namespace tess::win
