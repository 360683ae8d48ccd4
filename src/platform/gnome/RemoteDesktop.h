#pragma once
// One remote-desktop session of GNOME's compositor (mutter) over its own
// D-Bus interfaces on the session bus, with a screen-cast stream per
// monitor so that the pointer can be put on absolute points. GNOME lets
// any program of the user's session do this without asking; the session
// ends with the connection, and mutter then lets go of whatever it held.
//
// Pointer events and everything that answers are calls that wait for the
// reply (queued motions were seen lost); key events are queued and Sync
// waits for them. A call that does not answer within 2 s, a closed
// session or a compositor that goes away ends the program with one line,
// as a lost X server does.
#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gnome/ClipboardRoute.h"
#include "platform/gnome/MonitorMap.h"


namespace tess::gnome {

inline constexpr const char* kRemoteDesktopName = "org.gnome.Mutter.RemoteDesktop";

class RemoteDesktop : public ClipboardChannel {
public:
    // Whether the session bus has an owner of org.gnome.Mutter.RemoteDesktop.
    static bool Available();
    // Opens and starts a session; nullptr with a one-line reason.
    static std::unique_ptr<RemoteDesktop> Open(std::string& error);
    // Stops the session (after the caller let go of what it holds).
    ~RemoteDesktop() override;
    RemoteDesktop(const RemoteDesktop&) = delete;
    RemoteDesktop& operator=(const RemoteDesktop&) = delete;

    const MonitorMap& monitors() const { return monitors_; }
    // The pointer to a screen point (clamped to the nearest monitor);
    // false when there is no monitor to put it on.
    bool MovePointer(int32_t x, int32_t y);
    // An unaccelerated relative motion.
    void MovePointerBy(double dx, double dy);
    // evdev button codes (BTN_LEFT, BTN_RIGHT).
    void Button(uint32_t code, bool press);
    // evdev key codes (XKB keycode - 8); queued.
    void Key(uint32_t code, bool press);
    // Waits until mutter handled everything sent, and handles its signals.
    void Sync();
    // Caps Lock as mutter's keyboard state has it (as of the last Sync; it
    // follows key events with a delay).
    bool capsLock() const { return capsLock_; }

    // ClipboardChannel
    bool EnableClipboard() override;
    std::vector<std::string> OfferedTypes() override;
    bool Owns() override {
        Process();
        return ownsClipboard_;
    }
    std::optional<std::string> Read(const std::string& type) override;
    bool Offer(const std::vector<std::string>& types, Provider provide) override;
    size_t ServeUntil(size_t count, std::chrono::milliseconds timeout) override;
    void PressPaste() override;
    // What PressPaste sends: Ctrl+V on the layout's own keys.
    void SetPasteKeys(std::function<void()> press) { pasteKeys_ = std::move(press); }

private:
    RemoteDesktop() = default;
    bool Start(std::string& error);
    bool ReadMonitors(std::string& error);
    // A blocking call of a method of the session; ends the program when
    // the compositor does not answer.
    void Call(const char* member, const char* signature, ...);
    void Process();
    [[noreturn]] void Lost(const std::string& why);
    void Check(int result, const sd_bus_error& error, const char* what);
    static int OnClosed(sd_bus_message* m, void* self, sd_bus_error* error);
    static int OnNameOwner(sd_bus_message* m, void* self, sd_bus_error* error);
    static int OnOwnerChanged(sd_bus_message* m, void* self, sd_bus_error* error);
    static int OnTransfer(sd_bus_message* m, void* self, sd_bus_error* error);
    static int OnMonitorsChanged(sd_bus_message* m, void* self, sd_bus_error* error);

    sd_bus* bus_ = nullptr;
    std::vector<sd_bus_slot*> slots_;
    std::string session_, screenCast_;
    MonitorMap monitors_;
    std::vector<std::string> streams_;  // per monitor of monitors_, "" when it has none
    std::vector<std::pair<std::string, std::string>> recorded_;  // connector, stream
    bool started_ = false;
    bool capsLock_ = false;
    std::string lost_;
    bool monitorsChanged_ = false;
    // The clipboard.
    std::vector<std::string> offered_;
    bool ownsClipboard_ = false;
    Provider provide_;
    std::function<void()> pasteKeys_;
    size_t served_ = 0;
};

}  // namespace tess::gnome
