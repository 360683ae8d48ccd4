#pragma once
// News from the desktop that the pointer moved, so that the cursor tracking
// reads the position when there is something new to read instead of asking
// every 10 ms. Programs that move the pointer directly (a warp) are not
// reported: the tracking still asks now and then, every kWarpPollMs.
#include <memory>

namespace tess {

class InputSink;

class PointerWatch {
public:
    // How often the tracking asks for the position while a watch reports
    // the motion: the longest a warp goes unseen.
    static constexpr int kWarpPollMs = 250;

    virtual ~PointerWatch() = default;
    // A file descriptor that turns readable when TakeMotion may have news.
    virtual int WaitHandle() const = 0;
    // Handles what the desktop reported since the last call and tells
    // whether the pointer moved. Never blocks.
    virtual bool TakeMotion() = 0;
};

// The watch of this system's desktop, for the pointer `sink` reads; nullptr
// where the desktop reports no motion to ordinary programs (the tracking
// then asks every 10 ms).
std::unique_ptr<PointerWatch> CreatePointerWatch(InputSink& sink);

}  // namespace tess
