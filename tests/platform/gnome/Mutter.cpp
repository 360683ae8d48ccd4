#include "Mutter.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "Sway.h"

namespace tess::gnome::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using wayland::testing::Spawn;
using wayland::testing::WaitForExit;

constexpr uid_t kNobody = 65534;

// Polls `ready` until it holds or the time is up (the compositor takes a
// second or more to come up on a loaded machine).
bool Await(const std::function<bool()>& ready, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ready();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

// The session bus lets root in too: the tests run as root, the desktop as
// nobody.
constexpr const char* kBusConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <policy context="default"><allow user="root"/></policy>
</busconfig>
)";

// Runs inside dbus-run-session. Every process it starts leaves its pid in
// a file, so that the harness ends each by its pid.
constexpr const char* kSession = R"(#!/bin/sh
D="$1"; LOCALE="$2"; LAYOUT="$3"; OWNER="$4"
export DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
"$LOCALE" "$LAYOUT" > "$D/locale.log" 2>&1 & echo $! > "$D/locale.pid"
pipewire > "$D/pipewire.log" 2>&1 & echo $! > "$D/pipewire.pid"
i=0; while [ ! -S "$XDG_RUNTIME_DIR/pipewire-0" ] && [ $i -lt 500 ]; do sleep 0.02; i=$((i+1)); done
wireplumber > "$D/wireplumber.log" 2>&1 & echo $! > "$D/wireplumber.pid"
mutter --headless --wayland --no-x11 --wayland-display wayland-gnome \
  --virtual-monitor 1280x800 --virtual-monitor 1024x768 > "$D/mutter.log" 2>&1 &
echo $! > "$D/mutter.pid"
echo "$DBUS_SESSION_BUS_ADDRESS" > "$D/bus.new" && mv "$D/bus.new" "$D/bus"
# A test program that ends without its destructors takes the desktop along.
( while [ -d "/proc/$OWNER" ]; do sleep 1; done; kill -9 $(cat "$D/mutter.pid") ) 2>/dev/null &
wait $(cat "$D/mutter.pid")
kill -9 $(cat "$D/wireplumber.pid") $(cat "$D/pipewire.pid") $(cat "$D/locale.pid") 2>/dev/null
)";

}  // namespace

Mutter::Mutter(const std::string& layout) {
    char pattern[] = "/tmp/tess-mutter-XXXXXX";
    if (!mkdtemp(pattern)) return;
    dir_ = pattern;
    const std::string run = dir_ + "/run", home = dir_ + "/home";
    fs::create_directories(run);
    fs::create_directories(home);
    std::ofstream(dir_ + "/bus.conf") << kBusConfig;
    std::ofstream(dir_ + "/session.sh") << kSession;
    chmod((dir_ + "/session.sh").c_str(), 0755);
    const bool root = getuid() == 0;
    if (root) {
        for (const auto& p : {dir_, run, home}) {
            if (chown(p.c_str(), kNobody, kNobody) != 0) return;
        }
    }
    chmod(dir_.c_str(), 0755);
    chmod(run.c_str(), 0700);
    std::vector<std::string> argv = {"dbus-run-session", "--config-file=" + dir_ + "/bus.conf", "--",
                                     dir_ + "/session.sh", dir_, TESS_FAKE_LOCALE_PATH, layout,
                                     std::to_string(getpid())};
    if (root) argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    session_ = Spawn(argv, {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config", "XDG_RUNTIME_DIR=" + run,
                            "WAYLAND_DISPLAY=", "DISPLAY=", "DBUS_SESSION_BUS_ADDRESS="});
    if (session_ <= 0) return;
    const std::string socket = run + "/wayland-gnome";
    const bool up = Await(
        [&] {
            if (waitpid(session_, nullptr, WNOHANG) == session_) {
                session_ = -1;
                return true;
            }
            if (!fs::exists(dir_ + "/bus") || !fs::exists(socket)) return false;
            wl_display* d = wl_display_connect(socket.c_str());
            if (d) wl_display_disconnect(d);
            return d != nullptr;
        },
        std::chrono::seconds(40));
    if (!up || session_ <= 0) return;
    bus_ = ReadFile(dir_ + "/bus");
    socket_ = socket;
}

void Mutter::Export() const {
    setenv("DBUS_SESSION_BUS_ADDRESS", bus_.c_str(), 1);
    setenv("WAYLAND_DISPLAY", socket_.c_str(), 1);
}

pid_t Mutter::PidOf(const std::string& name) const {
    const std::string text = ReadFile(dir_ + "/" + name + ".pid");
    return text.empty() ? -1 : static_cast<pid_t>(std::atoi(text.c_str()));
}

void Mutter::StopPipeWire() {
    for (const char* name : {"wireplumber", "pipewire"}) {
        const pid_t pid = PidOf(name);
        if (pid > 0) kill(pid, SIGKILL);
    }
}

void Mutter::Stop() {
    if (session_ <= 0) return;
    // mutter does not end on SIGTERM while a screen cast is open: it gets
    // a moment, then SIGKILL.
    const pid_t mutter = PidOf("mutter");
    if (mutter > 0) kill(mutter, SIGTERM);
    int status = 0;
    const bool ended = Await([&] { return waitpid(session_, &status, WNOHANG) == session_; }, std::chrono::seconds(3));
    if (!ended) {
        if (mutter > 0) kill(mutter, SIGKILL);
        WaitForExit(session_);
    }
    session_ = -1;
    for (const char* name : {"wireplumber", "pipewire", "locale"}) {
        const pid_t pid = PidOf(name);
        if (pid > 0) kill(pid, SIGKILL);
    }
}

Mutter::~Mutter() {
    Stop();
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
}

}  // namespace tess::gnome::testing
