#pragma once
// Shared pieces of the window tests: the application object, a temporary
// config directory, file dialogs answered by the test and message boxes
// answered by the test as soon as they open.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/FileCommands.h"
#include "app/MainWindow.h"
#include "platform/recording/RecordingSink.h"

namespace tess::test {

QApplication& App();

// File dialogs that hand out queued answers ("" = cancelled).
class ScriptedDialogs : public FileDialogs {
public:
    QString SaveFileName(QWidget*, const QString& last) override;
    QString OpenFileName(QWidget*, const QString& last) override;
    std::deque<QString> answers;
    std::vector<QString> lastNamesSeen;
    int asked = 0;
};

// What a message box showed.
struct SeenBox {
    QString caption, text;
    QStringList buttons;  // sorted
    QString defaultButton, escapeButton;
};

// Answers the message boxes that open from now on, in order: each answer is
// the text of the button to click, "Esc" to press Escape or "Return" to
// press Return.
class BoxAnswerer {
public:
    void Queue(std::initializer_list<QString> answers);
    std::vector<SeenBox> seen;
    bool AllAnswered() const { return pending_.empty(); }

private:
    void Poll();
    std::deque<QString> pending_;
    int idlePolls_ = 0;
};

// A main window over a recording sink, with its settings in a temporary
// config directory.
class WindowFixture {
public:
    WindowFixture();
    ~WindowFixture();
    QString TempPath(const QString& name) const { return temp_.filePath(name); }
    QString ConfigHome() const { return temp_.filePath("config"); }
    void WriteBytes(const QString& name, const QByteArray& bytes) const;
    QByteArray ReadBytes(const QString& name) const;
    std::vector<std::string> Lines() const;
    void PressKey(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);

    QTemporaryDir temp_;
    RecordingSink sink;
    ScriptedDialogs dialogs;
    BoxAnswerer boxes;
    std::unique_ptr<MainWindow> window;
};

}  // namespace tess::test
