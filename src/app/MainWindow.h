#pragma once
// The main window (TForm1): the scenario list, the menus, the button bar and
// the status bar. It hosts the playback engine and serves the action editor
// and the cursor tracking; the commands themselves live in MainActions,
// FileCommands, ScenarioList and the placement store.
#include <QMainWindow>
#include <QMargins>
#include <functional>
#include <memory>

#include "app/PositionPanel.h"
#include "editor/EditorHost.h"
#include "playback/EngineHost.h"
#include "script/RangeValue.h"

class QLabel;

namespace tess {

class ButtonBar;
class FileCommands;
class FileDialogs;
class InputSink;
class MainActions;
class PaceHint;
class PlaybackEngine;
class PlaybackTimer;
class ScenarioList;
class SettingsTree;

// The 34 lines the list holds at start.
std::vector<std::string> SampleScenario();

class MainWindow : public QMainWindow, public EngineHost, public EditorHost {
    Q_OBJECT
public:
    using SettingsFactory = std::function<std::unique_ptr<SettingsTree>()>;
    // `sink` receives every effect of playback and must outlive the window.
    // `settings` opens the user's settings tree (the system's by default);
    // `dialogs` asks for file names (the standard dialogs by default).
    explicit MainWindow(InputSink& sink, SettingsFactory settings = {},
                        FileDialogs* dialogs = nullptr);
    ~MainWindow() override;

    // Hooks for the other windows; each does nothing while unset.
    void SetAboutHandler(std::function<void()> handler);
    void SetAddActionHandler(std::function<void()> handler);
    void SetEditActionHandler(std::function<void()> handler);
    // Told each time the playback timer is switched on or off (Run; Stop,
    // Pause and an error halt); the global stop key follows it.
    void SetPlaybackWatcher(std::function<void(bool running)> watcher);

    // Window placement: Restore throws PlacementError (the window is shown
    // all the same); Store reports its own failure and lets the close go on.
    void RestorePlacement();
    bool StorePlacement();

    void MarkUnmodified();
    bool IsModified() const;
    // Releases what playback holds pressed; called when the program ends.
    void ReleaseHeld();
    // Ends the window for a termination signal: no prompts; playback stops,
    // the placement is stored (quietly), and a modified scenario is kept in a
    // file of its own under the user's data folder rather than dropped.
    // Returns the line that tells what happened; the caller ends the program.
    QString EndBySignal(int signal);
    // Writes a modified scenario to a file of its own in `folder`, needing
    // neither the desktop nor the event loop, so it also serves when the
    // display is gone. Returns the text that says where, empty when nothing
    // was unsaved.
    std::string KeepUnsavedScenario(const std::string& folder);
    // The folder KeepUnsavedScenario is given: the user's data folder; when
    // that cannot take the file, the second place (the runtime folder, or
    // a private folder in the temporary one).
    static std::string UnsavedFolder();
    static std::string UnsavedFallbackFolder();

    // The parts, for the tests and the benchmarks.
    ScenarioList* ListBox1;
    ButtonBar* Panel3;
    PositionPanel* StatusPanel0;
    QLabel* StatusPanel1;
    MainActions& Actions() { return *actions_; }
    PlaybackEngine& Engine() { return *engine_; }
    PlaybackTimer& Timer1() { return *timer_; }
    FileCommands& Files() { return *files_; }

    // EngineHost and EditorHost.
    int LineCount() const override;
    std::string LineText(int index) const override;
    void SetSelected(int index, bool selected) override;
    int CaretLine() const override;
    bool TimerEnabled() const override;
    void SetTimerEnabled(bool enabled) override;
    uint32_t TimerInterval() const override;
    void SetTimerInterval(uint32_t ms) override;
    void SetStateText(const std::string& text) override;
    void SetPauseButtonShown(bool shown) override;
    void SetListEnabled(bool enabled) override;
    void SetNewScenarioEnabled(bool enabled) override;
    bool StepOverErrors() const override;
    bool Repeat() const override;
    void ClickStop() override;
    void ContinueSoon() override;
    void ShowNotice(const std::string& line) override;

    QString Line(int index) const override;
    void InsertLine(int index, const QString& text) override;
    void AppendLine(const QString& text) override;
    void ReplaceLine(int index, const QString& text) override;
    void SetLineSelected(int index, bool selected) override;
    void MarkModified() override;
    void ShowMainWindow() override;
    QWidget* MainWindowWidget() override;
    void SetCursorPanelText(const QString& text) override;

signals:
    // The window accepted a close request; the program ends with it, even
    // while the editor or the about box is still open.
    void Closed();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
    void showEvent(QShowEvent* event) override;

private:
    void Deleteaction1Click();
    void Newscenario1Click();
    void Loadfromfile1Click();
    // The keys act on the list: when a menu closes (also by Esc, which
    // would leave the menu bar holding the keyboard) the list takes the
    // focus back.
    void MenuClosed();
    // Minimum and stored sizes are the outer rectangle's: when the window
    // manager's frame appears or changes, the content makes room for it.
    void FollowFrame();
    void ShowState();
    // Runs a command, turning an error that escapes it into an error box.
    void Guard(const std::function<void()>& command);

    InputSink& sink_;
    SettingsFactory settings_;
    std::unique_ptr<FileDialogs> ownDialogs_;
    RangeGenerator random_;
    MainActions* actions_;
    PlaybackTimer* timer_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<PlaybackEngine> engine_;
    std::function<void()> aboutHandler_, addHandler_, editHandler_;
    std::function<void(bool)> playbackWatcher_;
    QString cursorText_;
    QString stateText_, paceSuffix_;
    PaceHint* pace_ = nullptr;
    QMargins frame_;
    bool closed_ = false;  // a close was accepted and the window not shown since
};

}  // namespace tess
