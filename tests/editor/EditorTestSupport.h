#pragma once
// Shared pieces of the editor tests: the application object, a main window
// stand-in holding a scenario list, and a sink whose pointer the test moves.
#include <QAbstractItemView>
#include <QApplication>
#include <QPushButton>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>
#include <QtTest/QtTest>
#include <gtest/gtest.h>
#include <memory>
#include <set>

#include "editor/ActionEditor.h"
#include "editor/EditorHost.h"
#include "platform/InputSink.h"

namespace tess::test {

// Created on first use, so listing the tests needs no display.
inline QApplication& App() {
    static int argc = 1;
    static char name[] = "tess_editor_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        // The offscreen platform reports every raise and keyboard grab it
        // cannot do; those notes only hide the test output.
        static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.startsWith(QLatin1String("This plugin does not support")))
                previous(type, context, text);
        });
        return new QApplication(argc, argv);
    }();
    return *app;
}

// The scenario list as the main window keeps it: lines, caret line, the set
// of marked lines and the modified flag. Calls outside the list are recorded
// as misuse instead of being forgiven.
class FakeHost : public EditorHost {
public:
    QStringList lines;
    int caret = 0;
    std::set<int> marked;
    bool modified = false;
    int mainShown = 0;
    int panelWrites = 0;
    QString panel = QStringLiteral(" Cursor position: ");
    QWidget* mainWindow = nullptr;
    bool misuse = false;

    int LineCount() const override { return static_cast<int>(lines.size()); }
    int CaretLine() const override { return caret; }
    QString Line(int index) const override {
        if (index < 0 || index >= lines.size()) {
            const_cast<FakeHost*>(this)->misuse = true;
            return {};
        }
        return lines.at(index);
    }
    void InsertLine(int index, const QString& text) override {
        if (index < 0 || index > lines.size()) {
            misuse = true;
            return;
        }
        lines.insert(index, text);
        std::set<int> shifted;
        for (int m : marked)
            shifted.insert(m >= index ? m + 1 : m);
        marked = shifted;
        if (caret >= index && lines.size() > 1)
            ++caret;
    }
    void AppendLine(const QString& text) override { lines.append(text); }
    void ReplaceLine(int index, const QString& text) override {
        if (index < 0 || index >= lines.size()) {
            misuse = true;
            return;
        }
        lines[index] = text;
    }
    void SetLineSelected(int index, bool selected) override {
        if (index < 0 || index >= lines.size()) {
            misuse = true;
            return;
        }
        if (selected) {
            marked.insert(index);
            caret = index;
        } else {
            marked.erase(index);
        }
    }
    void MarkModified() override { modified = true; }
    void ShowMainWindow() override {
        ++mainShown;
        if (mainWindow) {
            mainWindow->show();
            mainWindow->activateWindow();
        }
    }
    QWidget* MainWindowWidget() override { return mainWindow; }
    void SetCursorPanelText(const QString& text) override {
        ++panelWrites;
        panel = text;
    }
};

// Reaches nothing; reports the pointer where the test put it.
class FakeSink : public InputSink {
public:
    ScreenPoint cursor;
    int queries = 0;
    bool known = true;  // false: a desktop that does not tell where the pointer is

    void SetCursorPos(int32_t x, int32_t y) override { cursor = {x, y}; }
    bool CursorPosKnown() override { return known; }
    ScreenPoint GetCursorPos() override {
        ++queries;
        return cursor;
    }
    void mouse_event(uint32_t, int32_t, int32_t, uint32_t, uintptr_t) override {}
    void keybd_event(uint8_t, uint8_t, uint32_t, uintptr_t) override {}
    int16_t VkKeyScanA(char32_t) override { return -1; }
    void ShellExecuteA(const void*, const std::string&, const std::string&, const std::string&,
                       const std::string&, int) override {}
    void SendUnicodeChar(char32_t) override {}
};

// An editor over a fake main window, with helpers that drive it through
// real key and mouse events.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        main_ = std::make_unique<QWidget>();
        main_->setObjectName(QStringLiteral("Form1"));
        main_->resize(184, 300);
        host.mainWindow = main_.get();
        editor = std::make_unique<ActionEditor>(host);
    }
    void TearDown() override {
        editor.reset();
        main_.reset();
    }

    // "Add action" and the activation that follows it.
    void Open() {
        editor->ShowEditor();
        Activate(editor.get());
    }
    static void Activate(QWidget* window) {
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, 2000));
    }
    QWidget* MainWindow() { return main_.get(); }

    // Picks an item from a list's drop-down with the mouse.
    static void Pick(QComboBox* box, const QString& item) {
        const int row = box->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive);
        ASSERT_GE(row, 0) << item.toStdString();
        QAbstractItemView* view = box->view();
        // Under Wine a pop-up is now and then never exposed: it is opened again.
        bool exposed = false;
        for (int attempt = 0; attempt < 3 && !exposed; ++attempt) {
            box->showPopup();
            exposed = QTest::qWaitForWindowExposed(view->window(), 5000);
            if (!exposed) box->hidePopup();
        }
        ASSERT_TRUE(exposed);
        const QRect cell = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_FALSE(view->isVisible());
    }
    // Types into a field that has the focus, as the user does.
    static void Type(QWidget* field, const QString& text) {
        field->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(field, text);
    }
    static void Enter(QWidget* target) { QTest::keyClick(target, Qt::Key_Return); }
    void ClickAdd() { QTest::mouseClick(editor->Button1(), Qt::LeftButton); }
    void ClickCancel() { QTest::mouseClick(editor->Button2(), Qt::LeftButton); }
    QWidget* Focus() const { return QApplication::focusWidget(); }

    FakeHost host;
    std::unique_ptr<ActionEditor> editor;

private:
    std::unique_ptr<QWidget> main_;
};

}  // namespace tess::test
