#include "app/StopKeyBinding.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QSocketNotifier>
#include <QStatusBar>

#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "platform/StopKey.h"

namespace tess {

StopKeyBinding::StopKeyBinding(MainWindow& window, StopKey& key)
    : window_(window), key_(key) {
    window_.SetPlaybackWatcher([this](bool running) { PlaybackRunning(running); });
    if (key_.WaitHandle() >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(key_.WaitHandle(), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &StopKeyBinding::Check);
    }
    // The key's connection may have read its events already (while it took
    // or gave up a grab), where the notifier no longer sees them: look
    // before the loop sleeps.
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (key_.Armed()) Check();
        });
    }
}

StopKeyBinding::~StopKeyBinding() {
    window_.SetPlaybackWatcher({});
    key_.Disarm();
}

void StopKeyBinding::PlaybackRunning(bool running) {
    if (running) {
        key_.Arm();
        ShowNotices();
    } else {
        key_.Disarm();
    }
}

void StopKeyBinding::Check() {
    const bool pressed = key_.TakePress();
    ShowNotices();
    if (pressed && key_.Armed()) window_.Actions().Stop1->trigger();
}

void StopKeyBinding::ShowNotices() {
    for (const std::string& line : key_.TakeNotices())
        window_.statusBar()->showMessage(QStringLiteral(" ") + QString::fromStdString(line), 10000);
}

}  // namespace tess
