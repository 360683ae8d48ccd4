#include "app/RecordCommand.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>

#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/ScenarioList.h"

namespace tess {

RecordCommand::RecordCommand(MainWindow& window, RecorderFactory factory)
    : QObject(&window), window_(window), actions_(window.Actions()) {
    Record1 = new QAction(QStringLiteral("Record"), this);
    Record1->setObjectName(QStringLiteral("Record1"));
    Record1->setShortcut(QKeySequence(Qt::Key_F8));
    Record1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    window.ListBox1->addAction(Record1);
    actions_.Run1->addSeparator();
    actions_.Run1->addAction(Record1);
    actions_.PopupMenu1->addAction(Record1);
    connect(Record1, &QAction::triggered, this, [this] { Record1Click(); });

    std::string error;
    recorder_ = factory ? factory(error) : nullptr;
    if (!recorder_) {
        // A disabled item cannot be chosen; its hint tells why.
        Record1->setToolTip(QString::fromStdString("Cannot record: " + error));
        Record1->setStatusTip(Record1->toolTip());
        actions_.Run1->setToolTipsVisible(true);
        actions_.PopupMenu1->setToolTipsVisible(true);
    }
    // The list is disabled exactly while playback runs (or halted on an
    // error); recording is offered when it is not.
    window.ListBox1->installEventFilter(this);
    UpdateEnabled();
}

RecordCommand::~RecordCommand() {
    if (recorder_) recorder_->Stop();
}

bool RecordCommand::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange) UpdateEnabled();
    return QObject::eventFilter(watched, event);
}

void RecordCommand::UpdateEnabled() {
    Record1->setEnabled(recorder_ && !recording_ && window_.ListBox1->isEnabled());
}

void RecordCommand::Record1Click() {
    if (!recorder_ || recording_ || !window_.ListBox1->isEnabled()) return;
    // Nothing done in this program's own windows is recorded.
    std::vector<uint64_t> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->internalWinId()) windows.push_back(static_cast<uint64_t>(w->internalWinId()));
    }
    recorder_->IgnoreWindows(windows);
    composer_ = std::make_unique<LineComposer>();
    std::string error;
    // Events arrive on the recorder's thread and are composed on this one.
    const bool started = recorder_->Start(
        [this](const InputEvent& event) {
            QMetaObject::invokeMethod(this, [this, event] { if (composer_) composer_->Add(event); },
                                      Qt::QueuedConnection);
        },
        [this] { QMetaObject::invokeMethod(this, [this] { Finish(); }, Qt::QueuedConnection); }, error);
    if (!started) {
        composer_.reset();
        ShowError(&window_, QString::fromStdString("Cannot record: " + error));
        return;
    }
    recording_ = true;
    stateBefore_ = window_.StatusPanel1->text();
    window_.SetStateText(" Record");
    actions_.Play1->setEnabled(false);
    window_.SetListEnabled(false);
    UpdateEnabled();
}

void RecordCommand::Finish() {
    if (!recording_) return;
    recording_ = false;
    // Events still on their way from the recorder's thread are composed
    // before the lines are taken.
    recorder_->Stop();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    const std::vector<std::string> lines = composer_->Finish();
    composer_.reset();
    window_.SetListEnabled(true);
    actions_.Play1->setEnabled(true);
    window_.StatusPanel1->setText(stateBefore_);
    UpdateEnabled();
    if (lines.empty()) return;

    // As the editor's Add: after the caret line (or as the first lines of
    // an empty scenario); the caret line loses its mark, the last new line
    // gets one and becomes the caret line.
    const bool empty = window_.LineCount() == 0;
    const int caret = empty ? -1 : window_.CaretLine();
    for (size_t i = 0; i < lines.size(); ++i) {
        const QString text = QString::fromStdString(lines[i]);
        if (empty) {
            window_.AppendLine(text);
        } else {
            window_.InsertLine(caret + 1 + static_cast<int>(i), text);
        }
    }
    if (caret >= 0) window_.SetLineSelected(caret, false);
    window_.SetLineSelected(caret + static_cast<int>(lines.size()), true);
    window_.MarkModified();
}

}  // namespace tess
