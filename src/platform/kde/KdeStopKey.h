#pragma once
// The stop keys on KDE Plasma: Pause and Ctrl+Alt+Q as global shortcuts of
// this program, taken through KDE's global shortcut service
// (org.kde.kglobalaccel on the session bus; KWin serves it on Wayland)
// while playback runs, and handed back at once when it ends. A press
// arrives as the service's globalShortcutPressed signal.
//
// KWin matches its shortcuts against fake input as well: around the
// scenario's own press of Pause or Q the shortcut is set inactive, so the
// key reaches the focused window and does not stop playback.
#include <systemd/sd-bus.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/OwnKeyGuard.h"
#include "platform/StopKey.h"

namespace tess::kde {

class KdeStopKey final : public StopKey, public OwnKeyGuard {
public:
    // The service on the session bus; nullptr with a one-line reason when
    // there is no session bus or nobody serves global shortcuts there.
    static std::unique_ptr<KdeStopKey> Open(std::string& error);
    ~KdeStopKey() override;
    KdeStopKey(const KdeStopKey&) = delete;
    KdeStopKey& operator=(const KdeStopKey&) = delete;

    void Arm() override;
    void Disarm() override;
    bool Armed() const override { return armed_; }
    bool TakePress() override;
    std::vector<std::string> TakeNotices() override;
    int WaitHandle() const override;

    bool Guards(uint32_t keycode, uint32_t keysym) const override;
    void BeforeOwnPress(uint32_t keycode, uint32_t keysym) override;
    void AfterOwnPress(uint32_t keycode, uint32_t keysym) override;

private:
    explicit KdeStopKey(sd_bus* bus);
    static int OnPressed(sd_bus_message* message, void* self, sd_bus_error* error);
    // Registers the action and asks for both keys; with `report`, a key
    // the service did not give is noted (once).
    bool Take(bool report);
    void Call(const char* method, const char* types, ...);
    void Process();

    sd_bus* bus_;
    bool armed_ = false;
    bool pressed_ = false;
    bool suspended_ = false;  // inactive around an own press
    bool reported_[2] = {false, false};
    std::vector<std::string> notices_;
};

}  // namespace tess::kde
