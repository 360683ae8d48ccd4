#pragma once
// The stop keys on Windows: hot keys (RegisterHotKey, MOD_NOREPEAT) of a
// message-only window of the thread that makes this object, so that
// WM_HOTKEY reaches it whoever runs that thread's message loop: the
// player's wait, or the window program's event loop. Pause, and Ctrl+Alt+Q
// ('Q' is whichever key types q in the layout), each also under every
// combination of the modifiers a scenario may hold down (Shift, Ctrl, Alt,
// Win), as a hot key matches its modifiers exactly.
//
// A hot key cannot tell who sent a key (the events' dwExtraInfo never
// reaches it), so around each of the sink's own events of those keys the
// hot keys are given up, and taken back once the system has handled the
// event.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/StopKey.h"
#include "platform/win/KeyPressGuard.h"
#include "platform/win/WinSink.h"  // before windows.h, whose macros clash

#include <windows.h>

namespace tess::win {

class WinStopKey final : public StopKey, public KeyPressGuard {
public:
    // `sink` (may be nullptr) gets this object as its key-press guard
    // until it is destroyed. Use it on the thread that made it.
    explicit WinStopKey(WinSink* sink);
    ~WinStopKey() override;
    WinStopKey(const WinStopKey&) = delete;
    WinStopKey& operator=(const WinStopKey&) = delete;

    void Arm() override;
    void Disarm() override;
    bool Armed() const override { return armed_; }
    bool TakePress() override;
    std::vector<std::string> TakeNotices() override;
    // False when the message-only window could not be made.
    bool Ready() const { return window_ != nullptr; }
    // None: the keys arrive as messages of the thread's queue.
    int WaitHandle() const override { return -1; }

    bool Guards(uint8_t vk) const override;
    void BeforeOwnPress(uint8_t vk) override;
    void AfterOwnPress(uint8_t vk, bool release) override;

private:
    struct Key {
        std::string name;  // as the user reads it: "Pause", "Ctrl+Alt+Q"
        UINT vk;
        UINT modifiers;
        bool reported = false;  // a conflict was named already
    };
    // The hot keys of key `index`: ids and modifiers, its own first.
    std::vector<std::pair<int, UINT>> HotKeys(std::size_t index) const;
    void Register(std::size_t index);
    void Unregister(std::size_t index);
    static LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    WinSink* sink_;
    std::vector<Key> keys_;
    std::vector<int> registered_;  // ids of the hot keys now held
    bool armed_ = false;
    bool pressed_ = false;
    std::vector<std::string> notices_;
};

}  // namespace tess::win
