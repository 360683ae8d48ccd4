#include "Kwin.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "Sway.h"

namespace tess::wayland::testing {
namespace {

namespace fs = std::filesystem;
constexpr const char* kKwinPath = "/usr/bin/kwin_wayland";

// Whether the bus at `address` has an owner for `name`.
bool Served(const std::string& address, const char* name) {
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) return false;
    int served = 0;
    if (sd_bus_set_address(bus, address.c_str()) >= 0 && sd_bus_set_bus_client(bus, 1) >= 0 &&
        sd_bus_start(bus) >= 0) {
        sd_bus_message* reply = nullptr;
        if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "NameHasOwner", nullptr, &reply, "s", name) >= 0)
            sd_bus_message_read(reply, "b", &served);
        sd_bus_message_unref(reply);
    }
    sd_bus_flush_close_unref(bus);
    return served;
}

}  // namespace

bool Kwin::Installed() { return access(kKwinPath, X_OK) == 0; }

Kwin::Kwin(const std::vector<std::string>& trusted) {
    char pattern[] = "/tmp/tess-kwin-XXXXXX";
    if (!mkdtemp(pattern)) return;
    dir_ = pattern;
    chmod(dir_.c_str(), 0700);
    fs::create_directories(dir_ + "/data/applications");
    for (size_t i = 0; i < trusted.size(); ++i) {
        std::ofstream(dir_ + "/data/applications/trusted" + std::to_string(i) + ".desktop")
            << "[Desktop Entry]\nType=Application\nName=Trusted " << i << "\nExec=" << trusted[i]
            << "\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n";
    }
    // Debian gives kwin_wayland a file capability, which a container's
    // bounding set may refuse to exec: a plain copy runs everywhere.
    std::error_code ec;
    fs::copy_file(kKwinPath, dir_ + "/kwin_wayland", ec);
    if (ec) return;
    chmod((dir_ + "/kwin_wayland").c_str(), 0755);
    const std::string address = "unix:path=" + dir_ + "/bus";
    bus_ = Spawn({"dbus-daemon", "--session", "--nofork", "--address=" + address}, {});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(dir_ + "/bus") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kwin_ = Spawn({dir_ + "/kwin_wayland", "--virtual", "--socket", "wayland-kwin", "--width", "800",
                   "--height", "600"},
                  {"XDG_RUNTIME_DIR=" + dir_, "DBUS_SESSION_BUS_ADDRESS=" + address,
                   "XDG_DATA_HOME=" + dir_ + "/data", "XDG_CONFIG_HOME=" + dir_ + "/config",
                   "QT_QPA_PLATFORM=offscreen", "WAYLAND_DISPLAY=", "DISPLAY=", "XKB_DEFAULT_LAYOUT=us"});
    // Ready once its global shortcuts are served (they come up last).
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(kwin_, nullptr, WNOHANG) == kwin_) {
            kwin_ = -1;
            return;
        }
        if (fs::exists(dir_ + "/wayland-kwin") && Served(address, "org.kde.kglobalaccel")) {
            socket_ = dir_ + "/wayland-kwin";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::vector<std::string> Kwin::Environment() const {
    return {"WAYLAND_DISPLAY=" + socket_, "XDG_RUNTIME_DIR=" + dir_,
            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir_ + "/bus", "DISPLAY=", "XDG_CURRENT_DESKTOP=KDE"};
}

Kwin::~Kwin() {
    for (pid_t pid : {kwin_, bus_}) {
        if (pid <= 0) continue;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
}

}  // namespace tess::wayland::testing
