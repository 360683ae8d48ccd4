#pragma once
// The desktop sink for GNOME on Wayland: input reaches native Wayland
// windows through mutter's own remote-desktop session (no prompt). The
// pointer goes to absolute points of every monitor; keys go by key code
// through the keymap mutter hands to Wayland clients, with Shift and
// AltGr pressed by this sink; characters no key of the layout gives are
// pasted through the session's clipboard, the user's content put back.
#include <xkbcommon/xkbcommon.h>

#include <bitset>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/InputSink.h"
#include "platform/OwnKeyGuard.h"
#include "platform/gnome/ClipboardRoute.h"
#include "platform/gnome/RemoteDesktop.h"
#include "platform/xkb/KeyPresses.h"
#include "platform/xkb/KeymapIndex.h"

namespace tess::gnome {

class GnomeSink : public InputSink, public GuardedSink {
public:
    // Opens a session of the compositor on the session bus; nullptr with a
    // one-line reason.
    static std::unique_ptr<GnomeSink> Open(std::string& error);
    ~GnomeSink() override;
    GnomeSink(const GnomeSink&) = delete;
    GnomeSink& operator=(const GnomeSink&) = delete;

    void SetCursorPos(int32_t x, int32_t y) override;
    // GNOME tells ordinary programs nothing of the pointer: the last point
    // this sink moved it to.
    ScreenPoint GetCursorPos() override { return lastPoint_.value_or(ScreenPoint{}); }
    bool CursorPosKnown() override { return lastPoint_.has_value(); }
    bool CursorPosLive() override { return false; }
    void mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data,
                     uintptr_t extraInfo) override;
    void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo) override;
    int16_t VkKeyScanA(char32_t ch) override { return keys_.VkKeyScan(ch); }
    void ShellExecuteA(const void* ownerWindow, const std::string& operation,
                       const std::string& file, const std::string& parameters,
                       const std::string& directory, int showMode) override;
    // A character of the layout is typed with its keys; the others are
    // gathered and pasted as one stretch before the next other event.
    void SendUnicodeChar(char32_t ch) override;
    void Flush() override;

    // Lets go of every key and button this sink holds down.
    void ReleaseAll();
    // The stop key that must step aside around the scenario's own presses.
    void SetOwnKeyGuard(OwnKeyGuard* guard) override { guard_ = guard; }

private:
    explicit GnomeSink(std::unique_ptr<RemoteDesktop> session);
    bool Start(std::string& error);
    void PasteGathered();
    void SendKey(xkb_keycode_t keycode, bool press);
    void PressPaste();
    void ReadCapsLock();
    void SuspendCapsLock();
    void ResumeCapsLock();
    void TapCapsLock();

    std::unique_ptr<RemoteDesktop> session_;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb::KeymapIndex keys_;
    xkb::KeyPresses presses_;
    ClipboardRoute clipboard_;
    std::string gathered_;  // characters to paste (UTF-8)
    OwnKeyGuard* guard_ = nullptr;
    bool toldOfClipboard_ = false;
    // Caps Lock is on and was turned off for this tick's keys, so that
    // they type what the scenario says; back on at the end of the tick.
    bool capsSuspended_ = false;
    // Caps Lock as the user has it. GNOME's own state lags behind the keys:
    // it is read once per tick when no Caps Lock was sent for a while, and
    // otherwise follows the Caps Lock presses sent.
    bool capsOn_ = false;
    bool capsReadThisTick_ = false;
    std::chrono::steady_clock::time_point lastCapsPress_{};
    std::optional<ScreenPoint> lastPoint_;
    std::bitset<2> buttonsDown_;  // left, right
};

}  // namespace tess::gnome
