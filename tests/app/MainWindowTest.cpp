// The main window driven as a user drives it: menus, shortcuts, the button
// bar, the list's selection rules, playback into a recording sink, Delete
// action, New scenario, the modified flag and the close sequence.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QStatusBar>
#include <QTest>
#include <functional>

#include "WindowTestSupport.h"
#include "app/ButtonBar.h"
#include "app/MainActions.h"
#include "app/ScenarioList.h"
#include "about/AboutBox.h"
#include "editor/ActionEditor.h"
#include "playback/PlaybackEngine.h"

using namespace tess;
using namespace tess::test;

namespace {

class MainWindowTest : public ::testing::Test, public WindowFixture {
protected:
    MainActions& A() { return window->Actions(); }
    ScenarioList& List() { return *window->ListBox1; }
    QString State() { return window->StatusPanel1->text(); }
    void Select(std::vector<int> rows) { List().SelectLines(rows); }
};

TEST_F(MainWindowTest, StartsWithSampleScenarioAndDefaultStates) {
    EXPECT_EQ(window->windowTitle(), "Tessaline 0003");
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    // The minimum is the outer rectangle's.
    EXPECT_EQ(window->minimumSize() + (window->frameGeometry().size() - window->size()),
              QSize(184, 170));
    ASSERT_EQ(Lines().size(), 34u);
    EXPECT_EQ(Lines()[0], "Load link.htm");
    EXPECT_EQ(Lines()[1], "");
    EXPECT_EQ(Lines()[11], "CurPos [750..769],[181..172]");
    EXPECT_EQ(Lines()[14], " ");
    EXPECT_EQ(Lines()[32], "Stop");
    EXPECT_EQ(Lines()[33], "CurPos 0,0");
    EXPECT_FALSE(A().Save1->isEnabled());
    EXPECT_FALSE(A().Savetofile1->isEnabled());
    EXPECT_TRUE(A().Stepovererrors1->isChecked());
    EXPECT_FALSE(A().Repeat1->isChecked());
    EXPECT_EQ(window->StatusPanel0->text(), " Cursor position: ");
    EXPECT_EQ(State(), "");
    EXPECT_FALSE(window->Panel3->PauseShown());
    EXPECT_FALSE(window->Panel3->Image3->isHidden());
    EXPECT_EQ(window->Panel3->Image1->toolTip(), "Run");
    EXPECT_EQ(window->Panel3->Image2->toolTip(), "Pause");
    EXPECT_EQ(window->Panel3->Image3->toolTip(), "Stop");
}

TEST_F(MainWindowTest, MenusHoldTheirItemsAndShortcuts) {
    auto texts = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out << (a->isSeparator() ? QString("-")
                                     : a->text() + (a->shortcut().isEmpty()
                                                        ? QString()
                                                        : "\t" + a->shortcut().toString()));
        return out;
    };
    EXPECT_EQ(texts(A().File1), QStringList({"New scenario\tCtrl+N", "-", "Open\tCtrl+O",
                                             "Save\tCtrl+S", "Exit\tAlt+F4"}));
    EXPECT_EQ(texts(A().Run1), QStringList({"Step over errors", "-", "Repeat"}));
    EXPECT_EQ(texts(A().Help1), QStringList({"About..."}));
    EXPECT_EQ(texts(A().PopupMenu1),
              QStringList({"Add action\tIns", "Edit action\tCtrl+Ins", "Delete action\tDel", "-",
                           "Load from file\tCtrl+O", "Add from file\tCtrl+A",
                           "Save to file\tCtrl+S", "-", "Run\tF9", "Pause\tCtrl+P", "Stop"}));
    QStringList bar;
    for (QAction* a : A().MainMenu1->actions()) bar << a->text();
    EXPECT_EQ(bar, QStringList({"&File", "&Run", "&Help"}));

    A().Stepovererrors1->trigger();
    A().Repeat1->trigger();
    EXPECT_FALSE(window->StepOverErrors());
    EXPECT_TRUE(window->Repeat());
}

TEST_F(MainWindowTest, HooksRunFromTheirItemsAndKeys) {
    int about = 0, add = 0, edit = 0;
    A().About1->trigger();  // unset: nothing happens
    PressKey(Qt::Key_Insert);
    window->SetAboutHandler([&] { ++about; });
    window->SetAddActionHandler([&] { ++add; });
    window->SetEditActionHandler([&] { ++edit; });
    A().About1->trigger();
    PressKey(Qt::Key_Insert);
    PressKey(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(about, 1);
    EXPECT_EQ(add, 1);
    EXPECT_EQ(edit, 1);
}

TEST_F(MainWindowTest, RunPauseStopLookFromKeysButtonsAndMenu) {
    List().SetCaretLine(2);
    PressKey(Qt::Key_F9);
    EXPECT_TRUE(window->TimerEnabled());
    EXPECT_TRUE(window->Panel3->PauseShown());
    EXPECT_EQ(State(), " Run");
    EXPECT_FALSE(List().isEnabled());
    EXPECT_FALSE(A().Newscenario1->isEnabled());
    EXPECT_EQ(window->Engine().CurrentLine(), 2);

    QTest::mouseClick(window->Panel3->Image2, Qt::LeftButton);
    EXPECT_FALSE(window->TimerEnabled());
    EXPECT_FALSE(window->Panel3->PauseShown());
    EXPECT_EQ(State(), " Pause");
    EXPECT_TRUE(List().isEnabled());
    EXPECT_TRUE(A().Newscenario1->isEnabled());

    QTest::mouseClick(window->Panel3->Image1, Qt::LeftButton);
    EXPECT_EQ(State(), " Run");
    QTest::mouseClick(window->Panel3->Image3, Qt::LeftButton);
    EXPECT_EQ(State(), " Stop");
    EXPECT_FALSE(window->TimerEnabled());
    EXPECT_EQ(List().CaretLine(), 0);
    EXPECT_TRUE(List().IsSelected(0));
    EXPECT_EQ(List().SelectedCount(), 1);
    // The list took the focus back, so its keys work again.
    PressKey(Qt::Key_F9);
    EXPECT_EQ(State(), " Run");
    A().Pause1->trigger();
    EXPECT_EQ(State(), " Pause");
}

TEST_F(MainWindowTest, ButtonBarFlattensWhilePressedAndClicksOnlyOnRelease) {
    ButtonBar& bar = *window->Panel3;
    QPoint inside = bar.Image1->rect().center();
    const QPoint picture = bar.Image1->pos();
    QTest::mousePress(bar.Image1, Qt::LeftButton, {}, inside);
    EXPECT_TRUE(bar.Flat());
    // Flat: no line drawn round the bar, the pictures where they were.
    const QImage look = bar.grab().toImage();
    const QColor face = bar.palette().color(QPalette::Window);
    for (const QPoint corner : {QPoint(0, 0), QPoint(look.width() - 1, look.height() - 1)})
        EXPECT_EQ(look.pixelColor(corner), face) << corner.x();
    EXPECT_EQ(bar.Image1->pos(), picture);
    QTest::mouseRelease(bar.Image1, Qt::LeftButton, {}, QPoint(-50, 5));
    EXPECT_FALSE(bar.Flat());
    EXPECT_FALSE(window->TimerEnabled());  // released outside: no run
    QTest::mousePress(bar.Image3, Qt::RightButton, {}, inside);
    EXPECT_TRUE(bar.Flat());
    QTest::mouseRelease(bar.Image3, Qt::RightButton, {}, inside);
    EXPECT_FALSE(bar.Flat());
    EXPECT_EQ(State(), " Stop");
}

TEST_F(MainWindowTest, SelectionRulesAsPlaybackRelies) {
    List().SelectLines({1, 4});
    List().SetCaretLine(4);
    window->SetSelected(6, true);  // selecting moves the caret
    EXPECT_EQ(window->CaretLine(), 6);
    window->SetSelected(6, false);  // clearing leaves it
    EXPECT_EQ(window->CaretLine(), 6);
    EXPECT_TRUE(List().IsSelected(1));
    window->SetSelected(-1, false);
    EXPECT_EQ(List().SelectedCount(), 0);
    window->SetSelected(-1, true);
    EXPECT_EQ(List().SelectedCount(), 34);
    EXPECT_THROW(window->SetSelected(34, true), std::out_of_range);
    EXPECT_THROW(window->SetSelected(-2, false), std::out_of_range);
    EXPECT_THROW(window->LineText(34), std::out_of_range);
    List().Model().Clear();
    EXPECT_EQ(window->CaretLine(), 0);
}

// A line looks selected exactly when it is: at start the caret line is not
// selected and is not drawn so, and Delete takes what the user sees.
TEST_F(MainWindowTest, CaretLineLooksSelectedOnlyWhenItIs) {
    auto background = [&](int row) {
        const QRect line = List().visualRect(List().Model().index(row));
        return List().viewport()->grab().toImage().pixelColor(line.right() - 4, line.center().y());
    };
    const QColor plain = background(5);
    ASSERT_EQ(List().SelectedCount(), 0);
    EXPECT_EQ(List().CaretLine(), 0);
    EXPECT_EQ(background(0), plain);
    List().SetSelected(0, true);
    EXPECT_NE(background(0), plain);
    List().SetSelected(0, false);
    EXPECT_EQ(background(0), plain);
}

// The pop-up menu acts on the selection the user made: a right click opens
// it and leaves the selection and the caret; Shift+F10 and the Menu key open
// it at the caret line.
TEST_F(MainWindowTest, PopupMenuOpensOverTheSelectionAsItIs) {
    QMenu& menu = *A().PopupMenu1;
    const std::vector<std::pair<const char*, std::function<void()>>> openers = {
        {"right click",
         [&] {
             // The press, then the menu request the system makes of it.
             QWidget* view = List().viewport();
             const QPoint at = List().visualRect(List().Model().index(6)).center();
             QTest::mousePress(view, Qt::RightButton, {}, at);
             QContextMenuEvent request(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
             QApplication::sendEvent(view, &request);
             QTest::mouseRelease(view, Qt::RightButton, {}, at);
         }},
        {"Shift+F10", [&] { PressKey(Qt::Key_F10, Qt::ShiftModifier); }},
        {"Menu", [&] { PressKey(Qt::Key_Menu); }},
    };
    for (const auto& [how, open] : openers) {
        SCOPED_TRACE(how);
        Select({1, 4});
        List().SetCaretLine(4);
        open();
        EXPECT_TRUE(menu.isVisible());
        EXPECT_EQ(List().SelectionFlags(), [] {
            std::vector<char> flags(34, 0);
            flags[1] = flags[4] = 1;
            return flags;
        }());
        EXPECT_EQ(List().CaretLine(), 4);
        if (std::string(how) != "right click") {
            const QRect caret = List().visualRect(List().Model().index(4));
            EXPECT_EQ(menu.pos(), List().viewport()->mapToGlobal(caret.bottomLeft()));
        }
        menu.hide();
    }
}

// The state panel's text stays whole at every allowed width; the position
// panel gives way first, and never overlaps it.
TEST_F(MainWindowTest, StatePanelStaysReadableAtEveryWidth) {
    window->SetStateText(" Line 3. Error");
    QLabel* position = window->StatusPanel0;
    QLabel* state = window->StatusPanel1;
    const int needed = state->fontMetrics().horizontalAdvance(state->text());
    for (int width : {184, 230, 320, 500}) {
        SCOPED_TRACE(width);
        window->resize(width, 300);
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        EXPECT_GE(state->width(), needed);
        EXPECT_LE(position->geometry().right(), state->geometry().left());
        EXPECT_LE(state->geometry().right(), window->statusBar()->width());
        if (width >= 500) EXPECT_EQ(position->width(), position->maximumWidth());
    }
}

TEST_F(MainWindowTest, SampleScenarioRunsIntoTheSink) {
    List().SetCaretLine(0);
    A().Play1->trigger();
    // Drive the ticks directly; the timer's pace is tested on its own.
    for (int i = 0; i < 200 && window->TimerEnabled(); ++i) window->Engine().Timer1Timer();
    EXPECT_EQ(State(), " Stop");  // the "Stop" line stopped it through the Stop item
    EXPECT_FALSE(window->Panel3->PauseShown());
    EXPECT_TRUE(List().IsSelected(0));
    ASSERT_FALSE(sink.calls.empty());
    EXPECT_EQ(sink.calls[0].kind, SinkCall::Kind::ShellExecute);
    EXPECT_EQ(sink.calls[0].text, "link.htm");
    EXPECT_EQ(sink.calls[1].kind, SinkCall::Kind::SetCursorPos);
    EXPECT_EQ(sink.calls[1].x, 118);
    EXPECT_EQ(sink.calls[1].y, 141);
    int moves = 0;
    for (const SinkCall& c : sink.calls) {
        if (c.kind != SinkCall::Kind::SetCursorPos) continue;
        ++moves;
        EXPECT_FALSE(c.x == 0 && c.y == 0) << "the line after Stop ran";
    }
    EXPECT_EQ(moves, 2 + 3 * 2 + 6);  // before, the Cycle 3 block, after
    EXPECT_EQ(window->TimerInterval(), 1000u);
}

TEST_F(MainWindowTest, FailingLineShowsErrorAndHaltsKeepingTheRunningLook) {
    List().Model().SetLines({"CurPos 1,1", "CurPos x", "CurPos 2,2"});
    A().Stepovererrors1->trigger();  // off
    List().SetCaretLine(0);
    A().Play1->trigger();
    window->Engine().Timer1Timer();
    window->Engine().Timer1Timer();
    EXPECT_EQ(State(), " Line 2. Error");
    EXPECT_FALSE(window->TimerEnabled());
    EXPECT_TRUE(window->Panel3->PauseShown());
    EXPECT_FALSE(List().isEnabled());
}

TEST_F(MainWindowTest, DeleteActionAsksAndDeletesSelectedLines) {
    List().Model().SetLines({"1", "2", "3", "4", "5"});
    Select({1, 2, 4});
    boxes.Queue({"&No"});
    PressKey(Qt::Key_Delete);
    EXPECT_EQ(Lines().size(), 5u);
    EXPECT_FALSE(window->IsModified());
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].caption, "Confirm");
    EXPECT_EQ(boxes.seen[0].text, "Delete this action?");
    EXPECT_EQ(boxes.seen[0].buttons, QStringList({"&No", "&Yes"}));
    EXPECT_EQ(boxes.seen[0].defaultButton, "&Yes");
    EXPECT_EQ(boxes.seen[0].escapeButton, "&No");

    boxes.Queue({"Esc"});
    A().Deleteaction1->trigger();
    EXPECT_EQ(Lines().size(), 5u);

    boxes.Queue({"&Yes"});
    A().Deleteaction1->trigger();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"1", "4"}));
    EXPECT_TRUE(window->IsModified());
}

// A million lines neither delay nor drop a deletion: it is done when the
// box is answered. What it deletes is the selection: Home selects the first
// line, Ctrl+Home only moves the caret there, as in any list with multiple
// selection, so Ctrl+Home, Delete and Return leave line 1 in place and
// delete the line selected before (here the last, selected by End).
// Playback at 'Interval 1' moves the highlight a thousand times a second;
// the window paints at most once a frame, and the last change is painted.
TEST_F(MainWindowTest, HighlightMovingAtEveryTickIsPaintedOnceAFrame) {
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
    QCoreApplication::processEvents();
    List().viewport()->installEventFilter(&counter);
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < 300; ++i) {
        window->SetSelected(i % 30, true);
        QCoreApplication::processEvents();
        window->SetSelected(i % 30, false);
    }
    // Bounded by the time the loop took, however slow the machine.
    EXPECT_LE(counter.paints, elapsed.elapsed() / 16 + 2);
    // A change right after a painting is held back, and painted later.
    const int before = counter.paints;
    window->SetSelected(5, true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > before; }, 5000))
        << "the change held back was never painted";
}

TEST_F(MainWindowTest, DeleteInAMillionLinesActsOnTheSelectionAtOnce) {
    const struct {
        const char* what;
        Qt::KeyboardModifiers mods;
        const char* first;
        const char* last;
    } cases[] = {
        {"Home", Qt::NoModifier, "line 2", "line 1000000"},
        {"Ctrl+Home", Qt::ControlModifier, "line 1", "line 999999"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines(1'000'000);
        for (size_t i = 0; i < lines.size(); ++i) lines[i] = "line " + std::to_string(i + 1);
        List().Model().SetLines(std::move(lines));
        List().SetCaretLine(0);  // as Load leaves it
        // The keys reach the window the box of the previous case gave back.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000)) << c.what;
        PressKey(Qt::Key_End);
        PressKey(Qt::Key_Home, c.mods);
        boxes.Queue({"Return"});
        PressKey(Qt::Key_Delete);
        EXPECT_TRUE(boxes.AllAnswered()) << c.what;
        ASSERT_EQ(List().Count(), 999'999) << c.what;
        EXPECT_EQ(window->Line(0).toStdString(), c.first) << c.what;
        EXPECT_EQ(window->Line(999'998).toStdString(), c.last) << c.what;
        EXPECT_EQ(List().CaretLine(), 0) << c.what;
    }
}

TEST_F(MainWindowTest, DeleteActionWithNothingSelectedStillMarksModified) {
    window->SetSelected(-1, false);
    boxes.Queue({"&Yes"});
    A().Deleteaction1->trigger();
    EXPECT_EQ(Lines().size(), 34u);
    EXPECT_TRUE(A().Savetofile1->isEnabled());

    window->SetSelected(-1, true);
    boxes.Queue({"&Yes"});
    A().Deleteaction1->trigger();
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(List().HintText(), "New scenario");
    boxes.Queue({"&Yes"});
    A().Deleteaction1->trigger();  // an empty list asks as well
    EXPECT_EQ(boxes.seen.size(), 3u);
}

TEST_F(MainWindowTest, HintNamesTheCaretLine) {
    List().SetCaretLine(2);
    EXPECT_EQ(List().HintText(), "CurPos 118,141");
    QTest::mouseMove(List().viewport(), List().visualRect(List().Model().index(6)).center());
    EXPECT_EQ(List().HintText(), "CurPos 118,141");
}

TEST_F(MainWindowTest, NewScenarioPromptsOnlyWhenModified) {
    A().Newscenario1->trigger();
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(boxes.seen.empty());

    window->AppendLine("Click ");
    window->MarkModified();
    boxes.Queue({"&No"});
    PressKey(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(Lines().empty());
    EXPECT_FALSE(window->IsModified());
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, "Save changings?");
    EXPECT_EQ(boxes.seen[0].escapeButton, "&No");
}

TEST_F(MainWindowTest, NewScenarioKeepsTheListWhenTheAskedForSaveDoesNotHappen) {
    window->MarkModified();
    boxes.Queue({"&Yes"});
    dialogs.answers = {""};  // the save dialog is cancelled
    A().Newscenario1->trigger();
    EXPECT_EQ(Lines().size(), 34u);
    EXPECT_TRUE(window->IsModified());

    boxes.Queue({"&Yes"});
    dialogs.answers = {TempPath("file.sf")};
    A().Newscenario1->trigger();
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(ReadBytes("file.sf").count('\n'), 34);
}

// Open replaces the scenario, so a modified one is offered a save first, as
// New scenario does; a save that does not happen keeps the list.
TEST_F(MainWindowTest, OpenAsksToSaveAModifiedScenario) {
    WriteBytes("other.sf", "Stop\n");
    struct Case {
        const char* name;
        bool modified;
        QString answer;                  // empty: no question expected
        std::deque<QString> dialogs;     // save dialog (after Yes), then open dialog
        size_t lines;                    // what the list then holds
    };
    const Case cases[] = {
        {"unmodified", false, "", {TempPath("other.sf")}, 1},
        {"No", true, "&No", {TempPath("other.sf")}, 1},
        {"Yes, saved", true, "&Yes", {TempPath("saved.sf"), TempPath("other.sf")}, 1},
        {"Yes, save cancelled", true, "&Yes", {""}, 35},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->ListBox1->Model().SetLines(SampleScenario());
        window->AppendLine("Click ");
        c.modified ? window->MarkModified() : window->MarkUnmodified();
        boxes.seen.clear();
        if (!c.answer.isEmpty()) boxes.Queue({c.answer});
        dialogs.answers = c.dialogs;
        A().Loadfromfile1->trigger();
        EXPECT_EQ(Lines().size(), c.lines);
        EXPECT_TRUE(dialogs.answers.empty());
        ASSERT_EQ(boxes.seen.size(), c.answer.isEmpty() ? 0u : 1u);
        if (!c.answer.isEmpty()) EXPECT_EQ(boxes.seen[0].text, "Save changings?");
    }
    EXPECT_EQ(ReadBytes("saved.sf").count('\n'), 35);
}

TEST_F(MainWindowTest, ModifiedFlagFollowsEditsSavesAndLoads) {
    EXPECT_FALSE(window->IsModified());
    dialogs.answers = {TempPath("x.sf")};
    PressKey(Qt::Key_S, Qt::ControlModifier);  // unmodified: Ctrl+S does nothing
    EXPECT_EQ(dialogs.asked, 0);
    window->ReplaceLine(0, "Click ");
    window->MarkModified();
    PressKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.asked, 1);
    EXPECT_FALSE(window->IsModified());
    dialogs.answers = {TempPath("x.sf")};
    A().Addfromfile1->trigger();
    EXPECT_EQ(Lines().size(), 68u);
    EXPECT_TRUE(window->IsModified());
    dialogs.answers = {TempPath("x.sf")};
    boxes.Queue({"&No"});  // Open first offers to save the modified scenario
    A().Openfile1->trigger();  // File "Open" performs "Load from file"
    EXPECT_EQ(Lines().size(), 34u);
    EXPECT_EQ(Lines()[0], "Click ");
    EXPECT_FALSE(window->IsModified());
}

TEST_F(MainWindowTest, CloseSequence) {
    int closed = 0;
    QObject::connect(window.get(), &MainWindow::Closed, [&] { ++closed; });
    // Unmodified: closes without a question.
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(boxes.seen.empty());
    EXPECT_EQ(closed, 1);

    window->show();
    window->MarkModified();
    boxes.Queue({"Cancel"});
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].buttons, QStringList({"&No", "&Yes", "Cancel"}));
    EXPECT_EQ(boxes.seen[0].defaultButton, "&Yes");
    EXPECT_EQ(boxes.seen[0].escapeButton, "Cancel");

    boxes.Queue({"Esc"});
    EXPECT_FALSE(window->close());
    EXPECT_EQ(closed, 1);

    boxes.Queue({"&Yes"});
    dialogs.answers = {""};  // Yes, then the dialog is cancelled: stay open
    EXPECT_FALSE(window->close());
    EXPECT_EQ(Lines().size(), 34u);

    boxes.Queue({"&Yes"});
    dialogs.answers = {TempPath("closed.sf")};
    EXPECT_TRUE(window->close());
    EXPECT_EQ(ReadBytes("closed.sf").count('\n'), 34);

    window->show();
    window->MarkModified();
    boxes.Queue({"&No"});
    EXPECT_TRUE(window->close());
}

TEST_F(MainWindowTest, ClosingWhileTheEditorIsOpenAsksOnce) {
    // As the program runs: an accepted close ends the application, whose
    // end closes the editor too.
    ActionEditor editor(*window);
    QObject::connect(window.get(), &MainWindow::Closed, &App(), &QApplication::quit,
                     Qt::QueuedConnection);
    editor.ShowEditor();
    window->MarkModified();
    boxes.Queue({"&No"});
    QTimer::singleShot(0, window.get(), [&] { window->close(); });
    // A second prompt would stay unanswered: the loop is ended after a while.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
    guard.start(5000);
    EXPECT_EQ(App().exec(), 0);
    EXPECT_EQ(boxes.seen.size(), 1u);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(editor.isVisible());
}

TEST_F(MainWindowTest, EveryShowingCommandRestoresAMinimizedWindow) {
    ActionEditor editor(*window);
    AboutBox about(sink, window.get());
    window->SetAboutHandler([&] { about.ShowAbout(); });
    window->SetAddActionHandler([&] { editor.ShowEditor(); });
    const std::vector<std::pair<QWidget*, std::function<void()>>> cases = {
        {&editor, [&] { PressKey(Qt::Key_Insert); }},
        {&about, [&] { A().About1->trigger(); }},
        {window.get(), [&] { editor.Button2()->click(); }},  // the editor's Cancel
    };
    for (const auto& [shown, command] : cases) {
        shown->show();
        shown->setWindowState(Qt::WindowMinimized);
        command();
        EXPECT_FALSE(shown->windowState() & Qt::WindowMinimized) << shown->windowTitle().toStdString();
        EXPECT_TRUE(shown->isVisible());
    }
}

TEST_F(MainWindowTest, PlaybackGoesOnWhileAModalBoxIsOpen) {
    List().Model().SetLines({"CurPos 5,5", "CurPos 6,6"});
    A().Repeat1->trigger();
    window->SetTimerInterval(1);
    List().SetCaretLine(0);
    A().Play1->trigger();
    window->MarkModified();
    size_t callsAtOpen = 0;
    bool ticked = false;
    QElapsedTimer limit;
    limit.start();
    std::function<void()> poll = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && !callsAtOpen) callsAtOpen = sink.calls.size() + 1;
        ticked = box && sink.calls.size() >= callsAtOpen + 5;
        if (box && (ticked || limit.elapsed() > 5000)) {
            for (QAbstractButton* b : box->buttons())
                if (b->text() == "Cancel") b->click();
            return;
        }
        QTimer::singleShot(0, poll);
    };
    QTimer::singleShot(0, poll);
    A().Exit1->trigger();  // the close sequence asks "Save changings?"
    EXPECT_TRUE(ticked);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(State(), " Run");
    EXPECT_TRUE(window->TimerEnabled());
}

TEST_F(MainWindowTest, CursorPanelTextIsWrittenOnlyWhenChanged) {
    window->SetCursorPanelText(" Cursor position: 1,2");
    EXPECT_EQ(window->StatusPanel0->text(), " Cursor position: 1,2");
    window->StatusPanel0->setText("marker");
    window->SetCursorPanelText(" Cursor position: 1,2");
    EXPECT_EQ(window->StatusPanel0->text(), "marker");
}

// Where the desktop does not tell the pointer's position the number is the
// point playback set: the panel says so, in its text where there is room and
// in its hint where only the number fits. A live position keeps its caption.
TEST_F(MainWindowTest, CursorPanelMarksAPositionThatIsNotLive) {
    struct LastSetSink : RecordingSink {
        bool CursorPosLive() override { return false; }
    } lastSet;
    MainWindow notLive(lastSet, {}, &dialogs);
    notLive.show();
    struct Case {
        MainWindow* window;
        int width;
        const char* text;
        const char* hint;  // "" for none
    };
    const Case cases[] = {
        {window.get(), 600, " Cursor position: -1234,-1001", ""},
        {window.get(), 184, " -1234,-1001", "Cursor position: -1234,-1001"},
        {&notLive, 600, " Cursor set to: -1234,-1001", ""},
        {&notLive, 184, " -1234,-1001", "last set -1234,-1001 by playback"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.window == &notLive ? "not live " : "live ") +
                     std::to_string(c.width));
        c.window->resize(c.width, 300);
        c.window->SetCursorPanelText(QStringLiteral(" Cursor position: -1234,-1001"));
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        const QString shown = c.window->StatusPanel0->text();
        // Where the desktop's font leaves room at the narrow width, the
        // whole caption stays; else the number alone, the caption in the hint.
        if (c.width != 600 && shown != QLatin1String(c.text)) {
            EXPECT_EQ(shown, c.window == &notLive ? " Cursor set to: -1234,-1001" : " Cursor position: -1234,-1001");
            continue;
        }
        EXPECT_EQ(shown, c.text);
        EXPECT_TRUE(c.window->StatusPanel0->toolTip().contains(QLatin1String(c.hint)))
            << c.window->StatusPanel0->toolTip().toStdString();
    }
}

TEST_F(MainWindowTest, EditorHostEditsTheList) {
    List().Model().SetLines({"a", "b"});
    window->InsertLine(1, "x");
    window->AppendLine("z");
    window->ReplaceLine(0, "A");
    window->ReplaceLine(9, "ignored");
    window->SetLineSelected(3, true);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"A", "x", "b", "z"}));
    EXPECT_EQ(window->CaretLine(), 3);
    EXPECT_EQ(window->Line(1), "x");
    EXPECT_EQ(window->Line(7), "");
    EXPECT_EQ(window->MainWindowWidget(), window.get());
}

}  // namespace
