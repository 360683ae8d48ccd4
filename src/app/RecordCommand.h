#pragma once
// The window's "Record" command (Run menu and the list's pop-up menu, F8):
// while playback is stopped it records what the user does elsewhere on the
// desktop until the stop key, then puts the lines in after the caret line
// as the action editor's Add does.
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "platform/InputRecorder.h"
#include "record/LineComposer.h"

class QAction;

namespace tess {

class MainActions;
class MainWindow;

class RecordCommand : public QObject {
    Q_OBJECT
public:
    using RecorderFactory = std::function<std::unique_ptr<InputRecorder>(std::string& error)>;
    // The factory is asked once, now: when the desktop allows no recording
    // the command stays disabled and its hint says why.
    RecordCommand(MainWindow& window, RecorderFactory factory);
    ~RecordCommand() override;

    QAction* Record1;
    bool Recording() const { return recording_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Record1Click();
    void Finish();  // the stop key
    void UpdateEnabled();

    MainWindow& window_;
    MainActions& actions_;
    std::unique_ptr<InputRecorder> recorder_;
    std::unique_ptr<LineComposer> composer_;
    bool recording_ = false;
    QString stateBefore_;
};

}  // namespace tess
