#pragma once
// The keys that stop playback from anywhere on the desktop: Pause, and
// Ctrl+Alt+Q. They are taken only while playback runs (Arm at Run, Disarm
// at Stop, Pause and an error halt), so that the rest of the time they
// belong to the other programs as usual. Key events that playback itself
// sends through the desktop sink never count as a press.
#include <memory>
#include <string>
#include <vector>

namespace tess {

class InputSink;

class StopKey {
public:
    virtual ~StopKey() = default;

    // Takes the keys; nothing happens when they are already taken.
    virtual void Arm() = 0;
    // Gives them back; nothing happens when they are not taken.
    virtual void Disarm() = 0;
    virtual bool Armed() const = 0;

    // Handles what the desktop has reported since the last call and tells
    // whether a stop key was pressed while armed. Never blocks.
    virtual bool TakePress() = 0;
    // One line for each key that another program turned out to hold when
    // Arm tried to take it; a key is named once in the life of this object.
    virtual std::vector<std::string> TakeNotices() = 0;

    // What an event loop waits on to learn that TakePress may have news: a
    // file descriptor that turns readable, or -1 when there is none (the
    // hot keys of Windows arrive as messages of the thread's own queue, and
    // the loop calls TakePress after each message).
    virtual int WaitHandle() const = 0;
};

// Keys that never fire, for desktops without global keys and for runs that
// do not reach the desktop (the player's dry run, the window tests).
class NoStopKey final : public StopKey {
public:
    void Arm() override { armed_ = true; }
    void Disarm() override { armed_ = false; }
    bool Armed() const override { return armed_; }
    bool TakePress() override { return false; }
    std::vector<std::string> TakeNotices() override { return {}; }
    int WaitHandle() const override { return -1; }

private:
    bool armed_ = false;
};

// The stop keys of this system's desktop, working with `sink` (the desktop
// sink from CreateDesktopSink) so that the keys it sends are told apart.
// Never nullptr: where the desktop offers no global keys the result is a
// NoStopKey, and `notice` then tells why in one line (empty otherwise).
std::unique_ptr<StopKey> CreateStopKey(InputSink& sink, std::string& notice);

}  // namespace tess
