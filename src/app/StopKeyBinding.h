#pragma once
// The global stop key in the main window: taken while the playback timer
// runs (Run takes it; Stop, Pause and an error halt give it back), and a
// press performs the Stop command, exactly as its menu item does. A key
// that another program holds is told in the status bar, once.
#include <QObject>
#include <memory>

class QSocketNotifier;

namespace tess {

class MainWindow;
class StopKey;

class StopKeyBinding : public QObject {
    Q_OBJECT
public:
    // Both must outlive the binding.
    StopKeyBinding(MainWindow& window, StopKey& key);
    ~StopKeyBinding() override;

    // Reads what the key has reported; public for the tests.
    void Check();

private:
    void PlaybackRunning(bool running);
    void ShowNotices();

    MainWindow& window_;
    StopKey& key_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tess
