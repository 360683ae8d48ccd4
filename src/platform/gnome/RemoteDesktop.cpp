#include "platform/gnome/RemoteDesktop.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <utility>

#include "platform/DesktopLost.h"
#include "platform/gnome/BusMessages.h"

namespace tess::gnome {
using namespace bus;
namespace {

constexpr const char* kRdPath = "/org/gnome/Mutter/RemoteDesktop";
constexpr const char* kScName = "org.gnome.Mutter.ScreenCast";
constexpr const char* kScPath = "/org/gnome/Mutter/ScreenCast";
constexpr const char* kScSession = "org.gnome.Mutter.ScreenCast.Session";
constexpr const char* kDcName = "org.gnome.Mutter.DisplayConfig";
constexpr const char* kDcPath = "/org/gnome/Mutter/DisplayConfig";
// mutter can stop answering (it hangs on SIGTERM with a screen cast open):
// sd-bus's own 25 s would freeze playback.
constexpr uint64_t kCallTimeoutUs = 2'000'000;
constexpr int kAttempts = 100;  // calls interrupted by signals

bool NameOwned(sd_bus* bus) {
    Error error;
    Message reply;
    int owned = 0;
    if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "NameHasOwner", &error.e, &reply.m, "s", kRemoteDesktopName) < 0)
        return false;
    return sd_bus_message_read(reply.m, "b", &owned) > 0 && owned;
}

}  // namespace

bool RemoteDesktop::Available() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return false;
    sd_bus_set_method_call_timeout(bus, kCallTimeoutUs);
    const bool owned = NameOwned(bus);
    sd_bus_flush_close_unref(bus);
    return owned;
}

std::unique_ptr<RemoteDesktop> RemoteDesktop::Open(std::string& error) {
    std::unique_ptr<RemoteDesktop> session(new RemoteDesktop);
    if (!session->Start(error)) return nullptr;
    return session;
}

bool RemoteDesktop::Start(std::string& error) {
    if (int r = sd_bus_open_user(&bus_); r < 0) {
        bus_ = nullptr;
        error = std::string("there is no D-Bus session bus to reach GNOME through (") + std::strerror(-r) + ")";
        return false;
    }
    sd_bus_set_method_call_timeout(bus_, kCallTimeoutUs);
    if (!NameOwned(bus_)) {
        error = std::string(kRemoteDesktopName) + " is not on the session bus (this is not GNOME's compositor)";
        return false;
    }
    auto match = [this](const char* sender, const char* path, const char* iface, const char* member,
                        sd_bus_message_handler_t handler) {
        sd_bus_slot* slot = nullptr;
        if (sd_bus_match_signal(bus_, &slot, sender, path, iface, member, handler, this) >= 0)
            slots_.push_back(slot);
    };
    match("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameOwnerChanged",
          OnNameOwner);
    Error e;
    Message reply;
    const char* path = nullptr;
    int r = sd_bus_call_method(bus_, kRemoteDesktopName, kRdPath, kRemoteDesktopName, "CreateSession", &e.e,
                               &reply.m, "");
    if (r < 0 || sd_bus_message_read(reply.m, "o", &path) <= 0) {
        error = "GNOME's remote desktop would not open a session: " + e.text(r);
        return false;
    }
    session_ = path;
    match(kRemoteDesktopName, session_.c_str(), kRdSession, "Closed", OnClosed);
    match(kRemoteDesktopName, session_.c_str(), kRdSession, "SelectionOwnerChanged", OnOwnerChanged);
    match(kRemoteDesktopName, session_.c_str(), kRdSession, "SelectionTransfer", OnTransfer);
    match(kDcName, kDcPath, kDcName, "MonitorsChanged", OnMonitorsChanged);
    char* id = nullptr;
    Error idError;
    if ((r = sd_bus_get_property_string(bus_, kRemoteDesktopName, session_.c_str(), kRdSession, "SessionId",
                                        &idError.e, &id)) < 0) {
        error = "GNOME's remote-desktop session has no SessionId: " + idError.text(r);
        return false;
    }
    const std::string sessionId = id;
    free(id);
    if (!ReadMonitors(error)) return false;

    Message create, created;
    Error scError;
    sd_bus_message_new_method_call(bus_, &create.m, kScName, kScPath, kScName, "CreateSession");
    sd_bus_message_append(create.m, "a{sv}", 1, "remote-desktop-session-id", "s", sessionId.c_str());
    if ((r = sd_bus_call(bus_, create.m, 0, &scError.e, &created.m)) < 0 ||
        sd_bus_message_read(created.m, "o", &path) <= 0) {
        error = "GNOME's screen cast would not open a session: " + scError.text(r);
        return false;
    }
    screenCast_ = path;
    for (const Monitor& m : monitors_.monitors()) {
        Error recError;
        Message recorded;
        // Hidden cursor: nobody reads the frames, the stream is there for
        // its coordinates.
        r = sd_bus_call_method(bus_, kScName, screenCast_.c_str(), kScSession, "RecordMonitor", &recError.e,
                               &recorded.m, "sa{sv}", m.connector.c_str(), 1, "cursor-mode", "u", 0u);
        if (r < 0 || sd_bus_message_read(recorded.m, "o", &path) <= 0) {
            error = "GNOME's screen cast would not record monitor " + m.connector + ": " + recError.text(r);
            return false;
        }
        recorded_.emplace_back(m.connector, path);
        streams_.push_back(path);
    }
    // Starting the remote desktop starts its screen cast as well.
    Error startError;
    if ((r = sd_bus_call_method(bus_, kRemoteDesktopName, session_.c_str(), kRdSession, "Start", &startError.e,
                                nullptr, "")) < 0) {
        const std::string why = startError.text(r);
        error = why.find("ipewire") != std::string::npos
                    ? "absolute pointer positions need PipeWire running in the session"
                    : "GNOME's remote-desktop session would not start: " + why;
        return false;
    }
    started_ = true;
    Sync();
    return true;
}

// DisplayConfig.GetCurrentState: (u serial, a((ssss)a(siiddada{sv})a{sv})
// monitors, a(iiduba(ssss)a{sv}) logical monitors, a{sv} properties).
bool RemoteDesktop::ReadMonitors(std::string& error) {
    Error e;
    Message reply;
    int r = sd_bus_call_method(bus_, kDcName, kDcPath, kDcName, "GetCurrentState", &e.e, &reply.m, "");
    if (r < 0) {
        error = "GNOME's display configuration did not answer: " + e.text(r);
        return false;
    }
    sd_bus_message* m = reply.m;
    uint32_t serial = 0;
    sd_bus_message_read(m, "u", &serial);
    struct Mode {
        std::string connector;
        int32_t width = 0, height = 0;
    };
    std::vector<Mode> current;
    sd_bus_message_enter_container(m, 'a', "((ssss)a(siiddada{sv})a{sv})");
    while (sd_bus_message_enter_container(m, 'r', "(ssss)a(siiddada{sv})a{sv}") > 0) {
        const char *connector = nullptr, *vendor, *product, *serialText;
        sd_bus_message_read(m, "(ssss)", &connector, &vendor, &product, &serialText);
        sd_bus_message_enter_container(m, 'a', "(siiddada{sv})");
        while (sd_bus_message_enter_container(m, 'r', "siiddada{sv}") > 0) {
            const char* id = nullptr;
            int32_t w = 0, h = 0;
            double rate = 0, preferredScale = 0;
            int isCurrent = 0;
            sd_bus_message_read(m, "siidd", &id, &w, &h, &rate, &preferredScale);
            sd_bus_message_skip(m, "ad");
            ReadDict(m, [&](const std::string& key) {
                return key == "is-current" && sd_bus_message_read(m, "v", "b", &isCurrent) >= 0;
            });
            sd_bus_message_exit_container(m);
            if (isCurrent && connector) current.push_back({connector, w, h});
        }
        sd_bus_message_exit_container(m);
        sd_bus_message_skip(m, "a{sv}");
        sd_bus_message_exit_container(m);
    }
    sd_bus_message_exit_container(m);
    std::vector<Monitor> monitors;
    sd_bus_message_enter_container(m, 'a', "(iiduba(ssss)a{sv})");
    while (sd_bus_message_enter_container(m, 'r', "iiduba(ssss)a{sv}") > 0) {
        Monitor mon;
        uint32_t transform = 0;
        int primary = 0;
        sd_bus_message_read(m, "iidub", &mon.x, &mon.y, &mon.scale, &transform, &primary);
        mon.primary = primary;
        sd_bus_message_enter_container(m, 'a', "(ssss)");
        const char *connector, *vendor, *product, *serialText;
        while (sd_bus_message_read(m, "(ssss)", &connector, &vendor, &product, &serialText) > 0) {
            if (mon.connector.empty()) mon.connector = connector;
        }
        sd_bus_message_exit_container(m);
        sd_bus_message_skip(m, "a{sv}");
        sd_bus_message_exit_container(m);
        for (const Mode& mode : current) {
            if (mode.connector == mon.connector) {
                mon.width = mode.width;
                mon.height = mode.height;
            }
        }
        if (transform & 1) std::swap(mon.width, mon.height);  // turned by 90 or 270 degrees
        monitors.push_back(std::move(mon));
    }
    sd_bus_message_exit_container(m);
    uint32_t layoutMode = 0;
    ReadDict(m, [&](const std::string& key) {
        return key == "layout-mode" && sd_bus_message_read(m, "v", "u", &layoutMode) >= 0;
    });
    const bool logical = layoutMode == 1;
    if (logical) {
        for (Monitor& mon : monitors) {
            if (mon.scale <= 0) continue;
            mon.width = static_cast<int32_t>(mon.width / mon.scale + 0.5);
            mon.height = static_cast<int32_t>(mon.height / mon.scale + 0.5);
        }
    }
    if (started_) {
        // Points go only to monitors that have a stream; a monitor added
        // later has none in this session.
        std::vector<Monitor> streamed;
        streams_.clear();
        for (Monitor& mon : monitors) {
            if (mon.width <= 0 || mon.height <= 0) continue;
            for (const auto& [connector, stream] : recorded_) {
                if (connector != mon.connector) continue;
                streamed.push_back(mon);
                streams_.push_back(stream);
            }
        }
        monitors = std::move(streamed);
    }
    monitors_.SetMonitors(std::move(monitors), logical);
    if (monitors_.monitors().empty()) {
        error = "GNOME's display configuration lists no monitor";
        return false;
    }
    return true;
}

RemoteDesktop::~RemoteDesktop() {
    if (bus_ && started_ && lost_.empty()) {
        sd_bus_flush(bus_);
        Error e;
        sd_bus_call_method(bus_, kRemoteDesktopName, session_.c_str(), kRdSession, "Stop", &e.e, nullptr, "");
    }
    for (sd_bus_slot* slot : slots_) sd_bus_slot_unref(slot);
    if (bus_) sd_bus_flush_close_unref(bus_);
}

void RemoteDesktop::Lost(const std::string& why) {
    std::string line = std::string(program_invocation_short_name) + ": " + why;
    // The program keeps what would be lost (a modified scenario) first.
    if (DesktopLostHook hook = std::exchange(DesktopLostHookSlot(), nullptr)) line += hook();
    line += "\n";
    std::fflush(stdout);
    [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
    // Same status as a lost X server; mutter lets go of what the session
    // held when the connection closes.
    ::_exit(1);
}

void RemoteDesktop::Check(int r, const sd_bus_error& error, const char* what) {
    if (r >= 0) return;
    if (!lost_.empty()) Lost(lost_);
    if (r == -ETIMEDOUT) Lost("GNOME's compositor did not answer within 2 s");
    if (!sd_bus_is_open(bus_) || sd_bus_error_has_name(&error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
        sd_bus_error_has_name(&error, SD_BUS_ERROR_NO_REPLY) ||
        sd_bus_error_has_name(&error, SD_BUS_ERROR_NAME_HAS_NO_OWNER))
        Lost("lost the connection to GNOME's compositor (" + std::string(kRemoteDesktopName) + ")");
    // The session's object is gone before its Closed signal was read.
    if (sd_bus_error_has_name(&error, SD_BUS_ERROR_UNKNOWN_OBJECT) ||
        sd_bus_error_has_name(&error, SD_BUS_ERROR_UNKNOWN_INTERFACE) ||
        sd_bus_error_has_name(&error, SD_BUS_ERROR_UNKNOWN_METHOD))
        Lost("GNOME's compositor closed the remote-desktop session");
    Lost("GNOME's compositor refused " + std::string(what) + ": " +
         (error.message ? error.message : std::strerror(-r)));
}

void RemoteDesktop::Call(const char* member, const char* signature, ...) {
    va_list args;
    va_start(args, signature);
    int r = 0;
    Error error;
    // A signal the program handles (a stop) interrupts the wait for the
    // reply; the call is made again, as a new message.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        Message call;
        sd_bus_error_free(&error.e);
        sd_bus_message_new_method_call(bus_, &call.m, kRemoteDesktopName, session_.c_str(), kRdSession, member);
        va_list copy;
        va_copy(copy, args);
        sd_bus_message_appendv(call.m, signature, copy);
        va_end(copy);
        r = sd_bus_call(bus_, call.m, 0, &error.e, nullptr);
        if (r != -EINTR) break;
    }
    va_end(args);
    Check(r, error.e, member);
    Process();
}

void RemoteDesktop::Process() {
    while (true) {
        const int r = sd_bus_process(bus_, nullptr);
        if (r < 0) Lost("lost the connection to GNOME's compositor (" + std::string(kRemoteDesktopName) + ")");
        if (r == 0) break;
    }
    if (!lost_.empty()) Lost(lost_);
    if (std::exchange(monitorsChanged_, false)) {
        std::string error;
        ReadMonitors(error);  // keeps the last layout when it cannot be read
    }
}

bool RemoteDesktop::MovePointer(int32_t x, int32_t y) {
    const auto point = monitors_.Place(x, y);
    if (!point || point->monitor >= streams_.size()) return false;
    Call("NotifyPointerMotionAbsolute", "sdd", streams_[point->monitor].c_str(), point->x, point->y);
    return true;
}

void RemoteDesktop::MovePointerBy(double dx, double dy) { Call("NotifyPointerMotionRelative", "dd", dx, dy); }

void RemoteDesktop::Button(uint32_t code, bool press) {
    Call("NotifyPointerButton", "ib", static_cast<int32_t>(code), static_cast<int>(press));
}

void RemoteDesktop::Key(uint32_t code, bool press) {
    Message call;
    sd_bus_message_new_method_call(bus_, &call.m, kRemoteDesktopName, session_.c_str(), kRdSession,
                                   "NotifyKeyboardKeycode");
    sd_bus_message_append(call.m, "ub", code, static_cast<int>(press));
    sd_bus_message_set_expect_reply(call.m, 0);
    Error none;
    Check(sd_bus_send(bus_, call.m, nullptr), none.e, "NotifyKeyboardKeycode");
}

void RemoteDesktop::Sync() {
    // Calls are handled in order: the answer to this one comes after
    // every key sent before it. It brings the lock keys' state along.
    Error error;
    int caps = 0, r = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        sd_bus_error_free(&error.e);
        r = sd_bus_get_property_trivial(bus_, kRemoteDesktopName, session_.c_str(), kRdSession, "CapsLockState",
                                        &error.e, 'b', &caps);
        if (r != -EINTR) break;
    }
    Check(r, error.e, "CapsLockState");
    capsLock_ = caps;
    Process();
}

int RemoteDesktop::OnClosed(sd_bus_message*, void* self, sd_bus_error*) {
    static_cast<RemoteDesktop*>(self)->lost_ = "GNOME's compositor closed the remote-desktop session";
    return 0;
}

int RemoteDesktop::OnNameOwner(sd_bus_message* m, void* self, sd_bus_error*) {
    const char *name = nullptr, *before = nullptr, *after = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &before, &after) > 0 && std::strcmp(name, kRemoteDesktopName) == 0 &&
        !*after)
        static_cast<RemoteDesktop*>(self)->lost_ =
            "lost the connection to GNOME's compositor (" + std::string(kRemoteDesktopName) + ")";
    return 0;
}

int RemoteDesktop::OnMonitorsChanged(sd_bus_message*, void* self, sd_bus_error*) {
    static_cast<RemoteDesktop*>(self)->monitorsChanged_ = true;
    return 0;
}

}  // namespace tess::gnome
