#pragma once
// While playback waits more than a second for its next line (an "Interval"
// line, perhaps from the previous run, set a slow pace), the state panel
// says how long: " Run, next line in 4 s". Read from the playback timer's
// interval and deadline; the timer's schedule is not touched.
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace tess {

class PlaybackTimer;

// ", next line in N s" for a wait of `remainingNs` nanoseconds (N rounded
// up), or empty for a wait of a second or less.
QString PaceSuffix(int64_t remainingNs);

class PaceHint : public QObject {
public:
    // `show` receives the suffix each time it changes.
    PaceHint(PlaybackTimer& timer, std::function<void(const QString&)> show,
             QObject* parent = nullptr);

    // Looks again; called when the timer is switched or its interval changes,
    // and by its own coarse ticker while a slow pace runs.
    void Update();

private:
    PlaybackTimer& timer_;
    std::function<void(const QString&)> show_;
    QTimer ticker_;
    QString shown_;
};

}  // namespace tess
