// `tessaline --install-stop-shortcut`: the GNOME custom shortcut, read back
// through GSettings with GNOME's own schema, as gnome-settings-daemon reads
// it; the user's other shortcuts stay, a second run adds nothing, and "no"
// changes nothing.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr const char* kSchema = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char* kEntry =
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:"
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

// Runs a shell command with GSettings in a keyfile under `config`.
std::string Shell(const std::string& config, const std::string& command, int* status = nullptr) {
    const std::string line =
        "export GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME='" + config + "'; (" + command + ") 2>&1";
    FILE* pipe = popen(line.c_str(), "r");
    std::string out;
    std::array<char, 512> buffer{};
    while (pipe && fgets(buffer.data(), buffer.size(), pipe)) out += buffer.data();
    const int rc = pipe ? pclose(pipe) : -1;
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

std::string Get(const std::string& config, const std::string& schema, const std::string& key) {
    return Shell(config, "gsettings get " + schema + " " + key);
}

TEST(StopShortcutTest, AddsOneGnomeShortcutBesideTheUsersOwnAndOnlyWithConsent) {
    if (Shell("/tmp", std::string("gsettings list-keys ") + kSchema).find("custom-keybindings") == std::string::npos)
        GTEST_SKIP() << "GNOME's media-keys schema is not installed";
    const std::string config = ::testing::TempDir() + "stop-shortcut";
    std::filesystem::remove_all(config);
    const std::string program = std::string("'") + TESSALINE_PROGRAM + "' --install-stop-shortcut";

    // "No": nothing is written.
    int status = 0;
    Shell(config, "echo n | " + program, &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Get(config, kSchema, "custom-keybindings"), "@as []");

    // The user's own shortcut first, then ours twice.
    Shell(config, std::string("gsettings set ") + kEntry + "custom0/ command 'xterm'");
    Shell(config, std::string("gsettings set ") + kSchema +
                    " custom-keybindings \"['/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/']\"");
    for (const char* expected : {"Added: Ctrl+Alt+Shift+Q stops playback.",
                                 "The shortcut is there already: nothing was changed."}) {
        const std::string out = Shell(config, "echo y | " + program, &status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find(expected), std::string::npos) << out;
    }
    EXPECT_EQ(Get(config, kSchema, "custom-keybindings"),
              "['/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/', "
              "'/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/tessaline-stop/']");
    const std::string ours = std::string(kEntry) + "tessaline-stop/";
    EXPECT_EQ(Get(config, ours, "name"), "'Tessaline 0003: stop playback'");
    EXPECT_EQ(Get(config, ours, "command"), std::string("\"'") + TESSALINE_PROGRAM + "' --stop\"");
    EXPECT_EQ(Get(config, ours, "binding"), "'<Control><Alt><Shift>q'");
    EXPECT_EQ(Get(config, std::string(kEntry) + "custom0/", "command"), "'xterm'");
}

}  // namespace
