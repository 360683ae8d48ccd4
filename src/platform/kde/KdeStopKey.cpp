#include "platform/kde/KdeStopKey.h"

#include <systemd/sd-bus.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tess::kde {
namespace {

constexpr const char* kService = "org.kde.kglobalaccel";
constexpr const char* kPath = "/kglobalaccel";
constexpr const char* kInterface = "org.kde.KGlobalAccel";
// The action's names: component and action as the service keys them, then
// as System Settings shows them.
constexpr const char* kComponent = "tessaline";
constexpr const char* kAction = "stop";
constexpr const char* kComponentName = "Tessaline 0003";
constexpr const char* kActionName = "Stop playback";

// The keys as KDE writes them (Qt's key codes with modifier bits).
constexpr int32_t kQtCtrl = 0x04000000;
constexpr int32_t kQtAlt = 0x08000000;
constexpr int32_t kKeys[2] = {0x01000008 /* Pause */, kQtCtrl | kQtAlt | 0x51 /* Q */};
constexpr const char* kKeyNames[2] = {"Pause", "Ctrl+Alt+Q"};
// setShortcut's flags: the action is present (its keys fire), and the keys
// given are used as they are instead of ones stored from an earlier run.
constexpr uint32_t kSetPresent = 2;
constexpr uint32_t kNoAutoloading = 4;

bool KdeDesktop() {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return desktop && std::strstr(desktop, "KDE");
}

}  // namespace

KdeStopKey::KdeStopKey(sd_bus* bus) : bus_(bus) {}

std::unique_ptr<KdeStopKey> KdeStopKey::Open(std::string& error) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
        error = "no session bus for KDE's global shortcuts";
        return nullptr;
    }
    // Served now (KWin, kglobalaccel5), or started on the first call on a
    // KDE desktop.
    sd_bus_error failure = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int served = 0;
    if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "NameHasOwner", &failure, &reply, "s", kService) >= 0)
        sd_bus_message_read(reply, "b", &served);
    sd_bus_message_unref(reply);
    sd_bus_error_free(&failure);
    if (!served && !KdeDesktop()) {
        sd_bus_flush_close_unref(bus);
        error = std::string("nobody serves ") + kService + " on the session bus";
        return nullptr;
    }
    std::unique_ptr<KdeStopKey> key(new KdeStopKey(bus));
    const std::string path = std::string("/component/") + kComponent;
    if (sd_bus_match_signal(bus, nullptr, kService, path.c_str(), "org.kde.kglobalaccel.Component",
                            "globalShortcutPressed", &KdeStopKey::OnPressed, key.get()) < 0) {
        error = "KDE's global shortcuts cannot be watched on the session bus";
        return nullptr;
    }
    return key;
}

KdeStopKey::~KdeStopKey() {
    Disarm();
    sd_bus_flush_close_unref(bus_);
}

int KdeStopKey::OnPressed(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* key = static_cast<KdeStopKey*>(self);
    const char* component = nullptr;
    const char* action = nullptr;
    int64_t timestamp = 0;
    if (sd_bus_message_read(message, "ssx", &component, &action, &timestamp) < 0) return 0;
    if (key->armed_ && !key->suspended_ && std::strcmp(action, kAction) == 0) key->pressed_ = true;
    return 0;
}

void KdeStopKey::Call(const char* method, const char* types, ...) {
    sd_bus_error failure = SD_BUS_ERROR_NULL;
    va_list args;
    va_start(args, types);
    sd_bus_call_methodv(bus_, kService, kPath, kInterface, method, &failure, nullptr, types, args);
    va_end(args);
    sd_bus_error_free(&failure);
}

bool KdeStopKey::Take(bool report) {
    Call("doRegister", "as", 4, kComponent, kAction, kComponentName, kActionName);
    sd_bus_error failure = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call_method(bus_, kService, kPath, kInterface, "setShortcut", &failure, &reply,
                                     "asaiu", 4, kComponent, kAction, kComponentName, kActionName, 2,
                                     kKeys[0], kKeys[1], kSetPresent | kNoAutoloading);
    // The keys the action got; one that another program holds is missing.
    bool got[2] = {false, false};
    if (r >= 0) {
        const void* keys = nullptr;
        size_t size = 0;
        if (sd_bus_message_read_array(reply, 'i', &keys, &size) >= 0) {
            for (size_t i = 0; i < size / sizeof(int32_t); ++i) {
                int32_t value = 0;
                std::memcpy(&value, static_cast<const char*>(keys) + i * sizeof(int32_t), sizeof value);
                for (int k = 0; k < 2; ++k) got[k] = got[k] || value == kKeys[k];
            }
        }
    }
    if (report) {
        if (r < 0 && !reported_[0]) {
            reported_[0] = reported_[1] = true;
            notices_.push_back(std::string("KDE's global shortcuts refused the stop keys (") +
                               (failure.message ? failure.message : "no answer") +
                               "): bind `tessaline --stop` to a shortcut in System Settings");
        }
        for (int k = 0; r >= 0 && k < 2; ++k) {
            if (got[k] || reported_[k]) continue;
            reported_[k] = true;
            notices_.push_back(std::string(kKeyNames[k]) +
                               " does not stop playback: another program holds it as a global shortcut");
        }
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&failure);
    return r >= 0;
}

void KdeStopKey::Arm() {
    if (armed_) return;
    Process();
    pressed_ = false;
    armed_ = Take(true);
}

void KdeStopKey::Disarm() {
    if (!armed_) return;
    armed_ = false;
    // Gone altogether, so that nothing of it stays in the user's shortcuts.
    Call("unregister", "ss", kComponent, kAction);
    Process();
    pressed_ = false;
}

void KdeStopKey::Process() {
    while (sd_bus_process(bus_, nullptr) > 0) {
    }
}

bool KdeStopKey::TakePress() {
    Process();
    const bool pressed = pressed_ && armed_;
    pressed_ = false;
    return pressed;
}

std::vector<std::string> KdeStopKey::TakeNotices() { return std::exchange(notices_, {}); }

int KdeStopKey::WaitHandle() const { return sd_bus_get_fd(bus_); }

bool KdeStopKey::Guards(uint32_t, uint32_t keysym) const {
    return armed_ && (keysym == XKB_KEY_Pause || keysym == XKB_KEY_q || keysym == XKB_KEY_Q);
}

void KdeStopKey::BeforeOwnPress(uint32_t, uint32_t) {
    // A press of the user's that came before is still the user's.
    Process();
    Call("setInactive", "as", 4, kComponent, kAction, kComponentName, kActionName);
    suspended_ = true;
}

void KdeStopKey::AfterOwnPress(uint32_t, uint32_t) {
    // The sink waited for KWin to handle its press; what the service sent
    // until then came from that press.
    Process();
    suspended_ = false;
    Take(false);
}

}  // namespace tess::kde
