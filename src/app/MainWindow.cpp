#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "app/ButtonBar.h"
#include "app/ButtonPictures.h"
#include "app/EndOfSession.h"
#include "app/FileCommands.h"
#include "app/MainActions.h"
#include "app/MessageBoxes.h"
#include "app/PaceHint.h"
#include "app/PlacementStore.h"
#include "app/FrameThrottle.h"
#include "app/PlaybackTimer.h"
#include "app/PositionPanel.h"
#include "app/ScenarioList.h"
#include "platform/SettingsTree.h"
#include "playback/PlaybackEngine.h"
#include "script/KeptScenario.h"
#include "script/ScenarioText.h"

namespace tess {

std::vector<std::string> SampleScenario() {
    return {"Load link.htm", "", "CurPos 118,141", "Click ", "ClickRight ", "CurPos 144,155",
            "Click ", "", "Cycle 3", "CurPos 20,68", "Click ", "CurPos [750..769],[181..172]",
            "Click ", "CycleEnd ", " ", "CurPos 28,69", "Click ", "CurPos 388,214", "Click ",
            "CurPos 399,347", "Interval 1", "MouseLDown ", "MouseLUp ", "Interval 1000", "",
            "CurPos 791,258", "MouseLDown ", "CurPos 789,404", "MouseLUp ", "CurPos 389,516",
            "Click ", "", "Stop", "CurPos 0,0"};
}

MainWindow::MainWindow(InputSink& sink, SettingsFactory settings, FileDialogs* dialogs)
    : sink_(sink), settings_(settings ? std::move(settings) : SettingsFactory(CreateUserSettingsTree)) {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Tessaline 0003"));
    setWindowIcon(WindowIcon());
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setMinimumSize(184, 170);
    resize(184, 300);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ListBox1 = new ScenarioList(central);
    ListBox1->Model().SetLines(SampleScenario());
    actions_ = new MainActions(this, ListBox1);
    setMenuBar(actions_->MainMenu1);
    Panel3 = new ButtonBar(actions_->Play1, actions_->Pause1, actions_->Stop1, central);
    layout->addWidget(ListBox1, 1);
    layout->addWidget(Panel3);
    setCentralWidget(central);

    StatusPanel0 = new PositionPanel;
    StatusPanel1 = new QLabel;
    // The position panel is 140 pixels wide, or as wide as its caption and
    // a four-digit position need in this desktop's font. Where space runs
    // short it shows the number alone, never less: the window's narrowest
    // width leaves room for the number and the state panel's whole text
    // (" Line 3. Error" stays readable).
    const int positionWidth = StatusPanel0->fontMetrics().horizontalAdvance(
                                  QStringLiteral(" Cursor position: -0000,-0000")) + 8;
    StatusPanel0->setMaximumWidth(std::max(140, positionWidth));
    StatusPanel0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusPanel1->setMinimumWidth(0);
    statusBar()->addWidget(StatusPanel0, 1);
    statusBar()->addWidget(StatusPanel1, 0);
    statusBar()->setFixedHeight(std::max(18, statusBar()->sizeHint().height()));
    // A new window opens wide enough for the caption, the number and the
    // state panel's " Pause" beside the size grip; a stored placement
    // overrides this.
    resize(std::max(width(), StatusPanel0->maximumWidth() +
                                 StatusPanel1->fontMetrics().horizontalAdvance(
                                     QStringLiteral(" Pause")) + 32),
           height());
    cursorText_ = StatusPanel0->text();

    if (!dialogs) {
        ownDialogs_ = std::make_unique<QtFileDialogs>();
        dialogs = ownDialogs_.get();
    }
    files_ = std::make_unique<FileCommands>(this, *ListBox1, *dialogs,
                                            [this](bool m) { actions_->SetModified(m); });
    timer_ = new PlaybackTimer([this] { engine_->Timer1Timer(); }, this);
    new FrameThrottle(this);  // owned by the window
    pace_ = new PaceHint(*timer_, [this](const QString& suffix) {
        paceSuffix_ = suffix;
        ShowState();
    }, this);
    engine_ = std::make_unique<PlaybackEngine>(*this, sink, random_);

    MainActions& a = *actions_;
    auto on = [this](QAction* action, auto command) {
        connect(action, &QAction::triggered, this, [this, command] { Guard(command); });
    };
    on(a.Play1, [this] { engine_->Play1Click(); });
    on(a.Pause1, [this] { engine_->Pause1Click(); });
    on(a.Stop1, [this] { engine_->Stop1Click(); });
    on(a.Deleteaction1, [this] { Deleteaction1Click(); });
    on(a.Newscenario1, [this] { Newscenario1Click(); });
    on(a.Savetofile1, [this] { files_->SaveToFile(); });
    on(a.Loadfromfile1, [this] { Loadfromfile1Click(); });
    on(a.Addfromfile1, [this] { files_->AddFromFile(); });
    on(a.Exit1, [this] { close(); });
    on(a.About1, [this] { if (aboutHandler_) aboutHandler_(); });
    on(a.Addaction1, [this] { if (addHandler_) addHandler_(); });
    on(a.Editaction1, [this] { if (editHandler_) editHandler_(); });
    connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        actions_->PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos));
    });
    for (QMenu* menu : {a.File1, a.Run1, a.Help1, a.PopupMenu1})
        connect(menu, &QMenu::aboutToHide, this, [this] {
            QTimer::singleShot(0, this, [this] { MenuClosed(); });
        });
    // F10 opens the menu bar's first menu, as on the usual desktops.
    auto* menuKey = new QAction(this);
    menuKey->setShortcut(QKeySequence(Qt::Key_F10));
    menuKey->setShortcutContext(Qt::WindowShortcut);
    addAction(menuKey);
    connect(menuKey, &QAction::triggered, this,
            [this] { actions_->MainMenu1->setActiveAction(actions_->File1->menuAction()); });
    ListBox1->setFocus();
}

MainWindow::~MainWindow() {
    timer_->SetEnabled(false);
    engine_.reset();
}

void MainWindow::Guard(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(this, QString::fromUtf8(e.what()));
    }
}

void MainWindow::SetAboutHandler(std::function<void()> handler) { aboutHandler_ = std::move(handler); }
void MainWindow::SetAddActionHandler(std::function<void()> handler) { addHandler_ = std::move(handler); }
void MainWindow::SetEditActionHandler(std::function<void()> handler) { editHandler_ = std::move(handler); }
void MainWindow::SetPlaybackWatcher(std::function<void(bool)> watcher) {
    playbackWatcher_ = std::move(watcher);
}

void MainWindow::RestorePlacement() {
    std::unique_ptr<SettingsTree> tree = settings_();
    tess::RestorePlacement(*this, *tree);
}

bool MainWindow::StorePlacement() {
    try {
        std::unique_ptr<SettingsTree> tree = settings_();
        tess::StorePlacement(*this, *tree);
        return true;
    } catch (const PlacementError& e) {
        ShowError(this, QString::fromUtf8(e.what()) +
                            QStringLiteral("\nThe window's position and size were not stored."));
        return false;
    }
}

void MainWindow::Deleteaction1Click() {
    if (ConfirmYesNo(this, QStringLiteral("Delete this action?")) != Answer::Yes) return;
    ListBox1->DeleteSelected();
    MarkModified();
}

void MainWindow::Newscenario1Click() {
    if (IsModified() && ConfirmYesNo(this, QStringLiteral("Save changings?")) == Answer::Yes) {
        // The user asked to keep the scenario: without a completed save
        // nothing is discarded.
        if (!files_->SaveToFile()) return;
    }
    ListBox1->Model().Clear();
    MarkUnmodified();
}

void MainWindow::Loadfromfile1Click() {
    // Open replaces the scenario: like New scenario, it first offers to
    // save a modified one, and nothing is replaced when the asked-for save
    // does not happen.
    if (IsModified() && ConfirmYesNo(this, QStringLiteral("Save changings?")) == Answer::Yes &&
        !files_->SaveToFile())
        return;
    files_->LoadFromFile();
}

void MainWindow::MenuClosed() {
    if (QApplication::activePopupWidget() || !isActiveWindow()) return;
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus != actions_->MainMenu1) return;
    if (ListBox1->isEnabled())
        ListBox1->setFocus(Qt::PopupFocusReason);
    else
        actions_->MainMenu1->clearFocus();
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        FollowFrame();
        break;
    default:
        break;
    }
    return handled;
}

void MainWindow::FollowFrame() {
    const QWindow* handle = windowHandle();
    if (!handle) return;
    const QMargins frame = handle->frameMargins();
    if (frame == frame_) return;
    const QSize grown(frame.left() + frame.right() - frame_.left() - frame_.right(),
                      frame.top() + frame.bottom() - frame_.top() - frame_.bottom());
    frame_ = frame;
    const QSize outerMinimum(184, 170);
    setMinimumSize(
        (outerMinimum - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()))
            .expandedTo(QSize(1, 1)));
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        resize((size() - grown).expandedTo(minimumSize()));
}

void MainWindow::showEvent(QShowEvent* event) {
    closed_ = false;
    QMainWindow::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    StorePlacement();
    if (IsModified()) {
        switch (ConfirmYesNoCancel(this, QStringLiteral("Save changings?"))) {
        case Answer::Yes:
            if (files_->SaveToFile()) break;
            event->ignore();  // not saved: keep the window and the scenario
            return;
        case Answer::No:
            break;
        default:
            event->ignore();
            return;
        }
    }
    timer_->SetEnabled(false);
    engine_->ReleaseHeld();
    event->accept();
    closed_ = true;
    emit Closed();
}

QString MainWindow::EndBySignal(int signal) {
    // Playback ends as at Stop: a Write under way goes no further and
    // nothing stays held.
    engine_->Stop1Click();
    // The scenario first: it is what would be lost; the placement after.
    QString line = QStringLiteral("ended by signal %1 (%2)").arg(signal).arg(EndCauseText(signal));
    const std::string kept = KeepUnsavedScenario(UnsavedFolder());
    line += QString::fromLocal8Bit(kept.c_str());
    try {
        std::unique_ptr<SettingsTree> tree = settings_();
        tess::StorePlacement(*this, *tree);
    } catch (const PlacementError&) {
        // Nobody is there to tell; the placement simply stays as it was.
    }
    hide();
    return line;
}

std::string MainWindow::UnsavedFolder() {
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/tessaline-0003"))
        .toStdString();
}

std::string MainWindow::UnsavedFallbackFolder() {
    // The runtime folder is the user's alone; the temporary one is shared,
    // so the folder made there is checked to be ours and private.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) return QFile::encodeName(runtime + QStringLiteral("/tessaline-0003")).toStdString();
    QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    user.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QFile::encodeName(QDir::tempPath() + QStringLiteral("/tessaline-0003-") + user).toStdString();
}

std::string MainWindow::KeepUnsavedScenario(const std::string& folder) {
    if (!IsModified()) return {};
    const std::string stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
    const std::string name =
        "unsaved-" + stamp + "-" + std::to_string(QCoreApplication::applicationPid()) + ".sf";
    // A data folder that cannot be made (a file in its place, say) leaves
    // the scenario to the second place rather than losing it.
    std::string tried;
    const std::string kept = KeepScenario({{folder, false}, {UnsavedFallbackFolder(), true}}, name,
                                          ListBox1->Model().Lines(), tried);
    if (!kept.empty()) {
        MarkUnmodified();
        return "; the unsaved scenario was kept in '" + kept + "'";
    }
    return "; the unsaved scenario could not be kept in '" + folder + "/" + name + "' nor in '" + tried + "'";
}

void MainWindow::MarkModified() { actions_->SetModified(true); }
void MainWindow::MarkUnmodified() { actions_->SetModified(false); }
bool MainWindow::IsModified() const { return actions_->Modified(); }
void MainWindow::ReleaseHeld() { engine_->ReleaseHeld(); }

int MainWindow::LineCount() const { return ListBox1->Count(); }

std::string MainWindow::LineText(int index) const {
    if (index < 0 || index >= LineCount()) throw std::out_of_range("list index out of bounds");
    return ListBox1->Model().Line(index);
}

void MainWindow::SetSelected(int index, bool selected) {
    if (!ListBox1->SetSelected(index, selected))
        throw std::out_of_range("list index out of bounds");
}

int MainWindow::CaretLine() const { return ListBox1->CaretLine(); }
bool MainWindow::TimerEnabled() const { return timer_->Enabled(); }
void MainWindow::SetTimerEnabled(bool enabled) {
    timer_->SetEnabled(enabled);
    pace_->Update();
    if (playbackWatcher_) playbackWatcher_(enabled);
}
uint32_t MainWindow::TimerInterval() const { return timer_->Interval(); }
void MainWindow::SetTimerInterval(uint32_t ms) {
    timer_->SetInterval(ms);
    pace_->Update();
}

void MainWindow::SetStateText(const std::string& text) {
    stateText_ = QString::fromStdString(text);
    ShowState();
}

void MainWindow::ShowState() {
    // The pace is told only beside " Run": an error text stays as it is.
    const QString shown =
        stateText_ == QLatin1String(" Run") ? stateText_ + paceSuffix_ : stateText_;
    if (shown == StatusPanel1->text()) return;
    StatusPanel1->setText(shown);
    StatusPanel1->setMinimumWidth(StatusPanel1->fontMetrics().horizontalAdvance(shown) + 2);
}

void MainWindow::SetPauseButtonShown(bool shown) { Panel3->SetPauseShown(shown); }

void MainWindow::SetListEnabled(bool enabled) {
    ListBox1->setEnabled(enabled);
    // The list is the window's only focusable control and its keys act only
    // while it has the focus, so it takes the focus back.
    if (enabled) ListBox1->setFocus();
}

void MainWindow::SetNewScenarioEnabled(bool enabled) { actions_->Newscenario1->setEnabled(enabled); }
bool MainWindow::StepOverErrors() const { return actions_->Stepovererrors1->isChecked(); }
bool MainWindow::Repeat() const { return actions_->Repeat1->isChecked(); }
void MainWindow::ClickStop() { actions_->Stop1->trigger(); }

// The rest of a long Write comes after the events that wait meanwhile: the
// user's Stop, the stop keys and the commands socket get their turn.
void MainWindow::ContinueSoon() {
    QTimer::singleShot(0, this, [this] {
        if (engine_) Guard([this] { engine_->ContinueLine(); });
    });
}

void MainWindow::ShowNotice(const std::string& line) {
    statusBar()->showMessage(QString::fromStdString(line), 5000);
}

QString MainWindow::Line(int index) const {
    if (index < 0 || index >= LineCount()) return {};
    return QString::fromStdString(ListBox1->Model().Line(index));
}

void MainWindow::InsertLine(int index, const QString& text) {
    ListBox1->Model().InsertLine(index, text.toStdString());
}

void MainWindow::AppendLine(const QString& text) {
    ListBox1->Model().InsertLine(LineCount(), text.toStdString());
}

void MainWindow::ReplaceLine(int index, const QString& text) {
    ListBox1->Model().ReplaceLine(index, text.toStdString());
}

void MainWindow::SetLineSelected(int index, bool selected) { ListBox1->SetSelected(index, selected); }

void MainWindow::ShowMainWindow() {
    // Once a close was accepted the program is ending: the editor, closed
    // on the way, does not bring the window (and its close) back.
    if (closed_) return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

QWidget* MainWindow::MainWindowWidget() { return this; }

void MainWindow::SetCursorPanelText(const QString& text) {
    if (text == cursorText_) return;
    cursorText_ = text;
    // Where the desktop does not tell the pointer's position, the number
    // is the point playback last set, and the panel says so.
    StatusPanel0->SetLive(sink_.CursorPosLive());
    StatusPanel0->SetPositionText(text);
}

}  // namespace tess
