#pragma once
// Recording on X11 with the RECORD extension: the server copies every
// device event (with the pointer's root position and the modifier and
// group state) and every core keymap change to a connection of our own,
// in the order they happened. A thread reads that connection.
#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/InputRecorder.h"
#include "platform/x11/RecordedKeys.h"

namespace tess::x11 {

class X11Recorder final : public InputRecorder {
public:
    // Opens the two connections (nullptr: $DISPLAY) and checks for RECORD
    // and XKB; nullptr with a one-line reason when recording is impossible.
    static std::unique_ptr<X11Recorder> Open(const char* displayName, std::string& error);
    ~X11Recorder() override;
    X11Recorder(const X11Recorder&) = delete;
    X11Recorder& operator=(const X11Recorder&) = delete;

    bool Start(EventHandler onEvent, StopHandler onStopKey, std::string& error) override;
    void Stop() override;
    void IgnoreWindows(const std::vector<uint64_t>& windows) override;
    // Set when the stop key could not be taken (another program holds it):
    // it still ends the recording, but also reaches that program.
    std::string Warning() const override { return stopKeyWarning_; }

private:
    X11Recorder(Display* control, xcb_connection_t* data);
    void Run();
    bool ReadData();  // false once the stream has ended
    void HandleEvent(const uint8_t* wire);
    void HandleRequest(const uint8_t* wire, size_t length, bool swapped);
    bool IsStopKey(uint8_t keycode, uint16_t state) const;
    // Whether input at a root point, or to the focused window, goes to one
    // of this program's windows.
    bool InIgnoredWindow(int rootX, int rootY) const;
    bool FocusInIgnoredWindow();
    void RefreshIgnoredAreas();
    void GrabStopKeys();
    void UngrabStopKeys();
    void RoundTrip();

    Display* control_;              // grabs, context, keymap, round trips
    xcb_connection_t* controlXcb_;
    xcb_connection_t* data_;        // the recorded stream only
    Window root_ = 0;
    ScreenPoint origin_;
    uint32_t context_ = 0;
    unsigned int enableSequence_ = 0;
    int xkbEventType_ = -1;
    int xkbOpcode_ = -1;
    RecordedKeys keys_;

    std::vector<uint8_t> pauseKeycodes_;
    std::vector<uint8_t> qKeycodes_;
    std::vector<unsigned> qModifiers_;  // the modifier sets Q is grabbed with
    std::string stopKeyWarning_;
    uint8_t stopKeyDown_ = 0;       // the stop key is down, its release pending
    bool stopReported_ = false;

    EventHandler onEvent_;
    StopHandler onStop_;
    std::thread thread_;
    int wake_[2] = {-1, -1};
    bool started_ = false;

    std::mutex ignoredMutex_;
    std::vector<Window> ignored_;  // this program's top-level windows
    struct Area {
        int x, y, width, height;
    };
    std::vector<Area> ignoredAreas_;  // their frames on the screen, read on the thread
    std::chrono::steady_clock::time_point areasRead_{};
    std::atomic<bool> areasStale_{false};  // the list of windows changed
};

}  // namespace tess::x11
