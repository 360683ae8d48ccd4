#include "app/MainActions.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace tess {
namespace {

QAction* Make(QObject* owner, const char* name, const QString& caption,
              const QKeySequence& shortcut = {}) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
}

}  // namespace

MainActions::MainActions(QWidget* window, QWidget* list) : QObject(window) {
    // Pop-up menu items. Their keys act while the list has the focus (the
    // list is the only control that takes it); Ctrl+O and Ctrl+S are
    // window-wide because the File menu shows them too.
    Addaction1 = Make(this, "Addaction1", "Add action", QKeySequence(Qt::Key_Insert));
    Editaction1 = Make(this, "Editaction1", "Edit action", QKeySequence(Qt::CTRL | Qt::Key_Insert));
    Deleteaction1 = Make(this, "Deleteaction1", "Delete action", QKeySequence(Qt::Key_Delete));
    Loadfromfile1 = Make(this, "Loadfromfile1", "Load from file", QKeySequence(Qt::CTRL | Qt::Key_O));
    Addfromfile1 = Make(this, "Addfromfile1", "Add from file", QKeySequence(Qt::CTRL | Qt::Key_A));
    Savetofile1 = Make(this, "Savetofile1", "Save to file", QKeySequence(Qt::CTRL | Qt::Key_S));
    Play1 = Make(this, "Play1", "Run", QKeySequence(Qt::Key_F9));
    // Ctrl+P acts window-wide: during playback the list, and with it the
    // pop-up menu, is disabled, and Pause must still be reachable by key.
    Pause1 = Make(this, "Pause1", "Pause", QKeySequence(Qt::CTRL | Qt::Key_P));
    Stop1 = Make(this, "Stop1", "Stop");
    for (QAction* a : {Addaction1, Editaction1, Deleteaction1, Addfromfile1, Play1}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        list->addAction(a);
    }
    for (QAction* a : {Loadfromfile1, Savetofile1, Pause1}) {
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
    }

    PopupMenu1 = new QMenu(list);
    PopupMenu1->setObjectName("PopupMenu1");
    PopupMenu1->addActions({Addaction1, Editaction1, Deleteaction1});
    PopupMenu1->addSeparator();
    PopupMenu1->addActions({Loadfromfile1, Addfromfile1, Savetofile1});
    PopupMenu1->addSeparator();
    PopupMenu1->addActions({Play1, Pause1, Stop1});

    // Main menu. "Open" and "Save" show the keys of the items they perform;
    // the text after the tab is what a menu prints as an item's shortcut.
    Newscenario1 = Make(this, "Newscenario1", "New scenario", QKeySequence(Qt::CTRL | Qt::Key_N));
    Openfile1 = Make(this, "Openfile1", "Open\tCtrl+O");
    Save1 = Make(this, "Save1", "Save\tCtrl+S");
    Exit1 = Make(this, "Exit1", "Exit", QKeySequence(Qt::ALT | Qt::Key_F4));
    Stepovererrors1 = Make(this, "Stepovererrors1", "Step over errors");
    Repeat1 = Make(this, "Repeat1", "Repeat");
    About1 = Make(this, "About1", "About...");
    for (QAction* a : {Newscenario1, Exit1}) {
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
    }
    Stepovererrors1->setCheckable(true);
    Stepovererrors1->setChecked(true);
    Repeat1->setCheckable(true);

    MainMenu1 = new QMenuBar(window);
    MainMenu1->setObjectName("MainMenu1");
    File1 = MainMenu1->addMenu("&File");
    File1->setObjectName("File1");
    File1->addAction(Newscenario1);
    File1->addSeparator();
    File1->addActions({Openfile1, Save1, Exit1});
    // Access keys on every menu title (Alt+F, Alt+R, Alt+H).
    Run1 = MainMenu1->addMenu("&Run");
    Run1->setObjectName("Run1");
    Run1->addAction(Stepovererrors1);
    Run1->addSeparator();
    Run1->addAction(Repeat1);
    Help1 = MainMenu1->addMenu("&Help");
    Help1->setObjectName("Help1");
    Help1->addAction(About1);

    connect(Openfile1, &QAction::triggered, Loadfromfile1, &QAction::trigger);
    connect(Save1, &QAction::triggered, Savetofile1, &QAction::trigger);
    SetModified(false);
}

void MainActions::SetModified(bool modified) {
    Save1->setEnabled(modified);
    Savetofile1->setEnabled(modified);
}

bool MainActions::Modified() const { return Save1->isEnabled(); }

}  // namespace tess
