#include "WindowTestSupport.h"

#include <QFile>
#include <QTest>

#include "app/ScenarioList.h"
#include "app/ScenarioModel.h"

namespace tess::test {

QApplication& App() {
    static int argc = 1;
    static char name[] = "tess_window_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QString ScriptedDialogs::SaveFileName(QWidget*, const QString& last) {
    ++asked;
    lastNamesSeen.push_back(last);
    if (answers.empty()) return {};
    QString a = answers.front();
    answers.pop_front();
    return a;
}

QString ScriptedDialogs::OpenFileName(QWidget* parent, const QString& last) {
    return SaveFileName(parent, last);
}

void BoxAnswerer::Queue(std::initializer_list<QString> answers) {
    bool idle = pending_.empty();
    pending_.insert(pending_.end(), answers);
    if (idle) QTimer::singleShot(0, [this] { Poll(); });
}

void BoxAnswerer::Poll() {
    if (pending_.empty()) return;
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) {
        // The box opens inside a command the test is about to run: look
        // again on the next pass of the event loop, a bounded number of times.
        if (++idlePolls_ < 100000) QTimer::singleShot(0, [this] { Poll(); });
        return;
    }
    idlePolls_ = 0;
    SeenBox s;
    s.caption = box->windowTitle();
    s.text = box->text();
    for (QAbstractButton* b : box->buttons()) s.buttons << b->text();
    s.buttons.sort();  // the order on screen follows the platform's style
    if (box->defaultButton()) s.defaultButton = box->defaultButton()->text();
    if (box->escapeButton()) s.escapeButton = box->escapeButton()->text();
    seen.push_back(s);
    QString answer = pending_.front();
    pending_.pop_front();
    if (!pending_.empty()) QTimer::singleShot(0, [this] { Poll(); });
    if (answer == "Esc" || answer == "Return") {
        QTest::keyClick(box, answer == "Esc" ? Qt::Key_Escape : Qt::Key_Return);
        return;
    }
    for (QAbstractButton* b : box->buttons())
        if (b->text() == answer) {
            b->click();
            return;
        }
    box->close();  // no such button: the test will see the mismatch in `seen`
}

WindowFixture::WindowFixture() {
    App();
    QDir().mkpath(ConfigHome());
    qputenv("XDG_CONFIG_HOME", ConfigHome().toUtf8());
    window = std::make_unique<MainWindow>(sink, MainWindow::SettingsFactory{}, &dialogs);
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    window->ListBox1->setFocus();
    QApplication::processEvents();
}

WindowFixture::~WindowFixture() {
    window.reset();
    qunsetenv("XDG_CONFIG_HOME");
}

void WindowFixture::WriteBytes(const QString& name, const QByteArray& bytes) const {
    QFile f(TempPath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

QByteArray WindowFixture::ReadBytes(const QString& name) const {
    QFile f(TempPath(name));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

std::vector<std::string> WindowFixture::Lines() const { return window->ListBox1->Model().Lines(); }

void WindowFixture::PressKey(int key, Qt::KeyboardModifiers mods) {
    QTest::keyClick(window->ListBox1, static_cast<Qt::Key>(key), mods);
}

}  // namespace tess::test
