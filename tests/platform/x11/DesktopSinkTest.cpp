// Finding the desktop: a clear reason when there is none.
#include <gtest/gtest.h>

#include <cstdlib>

#include "XTestServer.h"
#include "platform/DesktopSink.h"

namespace tess {
namespace {

class DesktopSinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(DesktopSinkTest, SaysWhyThereIsNoDesktop) {
    std::string error;
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(CreateDesktopSink(error), nullptr);
    EXPECT_NE(error.find("DISPLAY is not set"), std::string::npos) << error;

    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_EQ(CreateDesktopSink(error), nullptr);
    EXPECT_NE(error.find("Wayland"), std::string::npos) << error;

    setenv("DISPLAY", ":4242", 1);
    EXPECT_EQ(CreateDesktopSink(error), nullptr);
    EXPECT_NE(error.find("\":4242\""), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST_F(DesktopSinkTest, OpensTheDisplayNamedByTheEnvironment) {
    x11::testing::Xvfb server;
    ASSERT_FALSE(server.name().empty());
    setenv("DISPLAY", server.name().c_str(), 1);
    std::string error;
    auto sink = CreateDesktopSink(error);
    ASSERT_NE(sink, nullptr) << error;
    sink->SetCursorPos(5, 6);
    sink->Flush();
    EXPECT_EQ(sink->GetCursorPos(), (ScreenPoint{5, 6}));
}

}  // namespace
}  // namespace tess
