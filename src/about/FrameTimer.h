#pragma once
// The countdown that paces an animated picture: one shot at a time, started
// afresh for every frame with that frame's display time.
#include <functional>
#include <memory>

class QTimer;

namespace tess {

class FrameTimer {
public:
    virtual ~FrameTimer() = default;
    // Starts (or restarts) the countdown; OnTimeout runs once when it ends.
    virtual void Start(int milliseconds) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;

    std::function<void()> OnTimeout;
};

// The real countdown, on a single-shot QTimer of the user-interface thread.
class QtFrameTimer : public FrameTimer {
public:
    QtFrameTimer();
    ~QtFrameTimer() override;
    void Start(int milliseconds) override;
    void Stop() override;
    bool IsActive() const override;

private:
    std::unique_ptr<QTimer> timer_;
};

}  // namespace tess
