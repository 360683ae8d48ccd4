// tessaline-play on a real X server: what a scenario types arrives in the
// focused window, and nothing stays held when the run ends or is stopped.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "SinkFixture.h"

namespace tess::x11::testing {
namespace {

namespace fs = std::filesystem;

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
        client = std::make_unique<WatchingClient>(server.name());
        ASSERT_NE(client->display(), nullptr);
        dir_ = fs::temp_directory_path() / ("tess-play-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        const char* display = std::getenv("DISPLAY");
        if (display) oldDisplay_ = display;
        setenv("DISPLAY", server.name().c_str(), 1);
    }
    void TearDown() override {
        oldDisplay_.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", oldDisplay_.c_str(), 1);
        fs::remove_all(dir_);
    }
    std::string Scenario(const std::string& text) {
        const fs::path path = dir_ / "test.sf";
        std::ofstream(path) << text;
        return path.string();
    }
    std::string Output() {
        std::ifstream in(dir_ / "output");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    pid_t Play(const std::string& scenario) {
        return StartProgram({TESS_PLAY_PATH, scenario}, (dir_ / "output").string());
    }

    Xvfb server;
    std::unique_ptr<WatchingClient> client;
    fs::path dir_;
    std::string oldDisplay_;
};

TEST_F(PlayerTest, TypesIntoTheFocusedWindowAndReleasesAtTheEnd) {
    const pid_t pid = Play(Scenario("Interval 1\nCurPos 40,50\nWrite Hello, World! 123\n"
                                    "KeyDown #16\nMouseLDown \n"));
    // Characters typed on a borrowed keycode are checked against the sink
    // directly: here the client may read them only after the mapping has
    // gone back, when the player is quicker than a busy test process.
    client->WaitForButtonPress();
    EXPECT_EQ(WaitForProgram(pid), 0) << Output();
    const auto seen = client->Collect();
    EXPECT_EQ(WatchingClient::Typed(seen), "Hello, World! 123");
    EXPECT_FALSE(client->AnythingHeld());
    int x = 0, y = 0;
    client->Pointer(x, y);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 50);
}

TEST_F(PlayerTest, EndedBySignalItReleasesWhatItHoldsAndRestoresTheKeymap) {
    // Every signal that would end a program by default; SIGHUP comes when
    // its terminal closes.
    const std::vector<KeySym> keymap = client->KeyboardMapping();
    for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE}) {
        // "\xCF\x89" (omega) is on no key of the layout: it is typed on a
        // borrowed keycode.
        const pid_t pid = Play(Scenario("Interval 1\nKeyDown #16\nKeyDown A\nWrite \xCF\x89\nMouseRDown \n"
                                        "MouseLDown \nInterval 600000\nStop\n"));
        client->WaitForButtonPress();  // the right button
        client->WaitForButtonPress();  // the left one, the last held
        client->Collect();
        EXPECT_TRUE(client->AnythingHeld()) << signal;
        kill(pid, signal);
        EXPECT_EQ(WaitForProgram(pid), 128 + signal) << signal;
        EXPECT_FALSE(client->AnythingHeld()) << signal;
        EXPECT_EQ(client->KeyboardMapping(), keymap) << signal;
    }
}

TEST_F(PlayerTest, WithoutADisplayItSaysSoAndExitsWithTwo) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const pid_t pid = Play(Scenario("Click \n"));
    EXPECT_EQ(WaitForProgram(pid), 2);
    const std::string output = Output();
    EXPECT_NE(output.find("DISPLAY"), std::string::npos) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

}  // namespace
}  // namespace tess::x11::testing
