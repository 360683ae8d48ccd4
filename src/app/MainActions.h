#pragma once
// The main window's commands: the main menu, the list's pop-up menu and
// their shortcuts. Items keep their designer names. Ctrl+O and Ctrl+S stand
// in both menus but are bound once, on the pop-up items "Load from file" and
// "Save to file", which the File menu's "Open" and "Save" perform.
#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace tess {

class MainActions : public QObject {
    Q_OBJECT
public:
    // `window` takes the window-wide shortcuts, `list` those that act while
    // the list has the focus.
    MainActions(QWidget* window, QWidget* list);

    // The modified flag: the enabled state of "Save" and "Save to file".
    void SetModified(bool modified);
    bool Modified() const;

    QMenuBar* MainMenu1;
    QMenu* File1;
    QMenu* Run1;
    QMenu* Help1;
    QMenu* PopupMenu1;

    QAction* Newscenario1;
    QAction* Openfile1;
    QAction* Save1;
    QAction* Exit1;
    QAction* Stepovererrors1;
    QAction* Repeat1;
    QAction* About1;

    QAction* Addaction1;
    QAction* Editaction1;
    QAction* Deleteaction1;
    QAction* Loadfromfile1;
    QAction* Addfromfile1;
    QAction* Savetofile1;
    QAction* Play1;
    QAction* Pause1;
    QAction* Stop1;
};

}  // namespace tess
