#include "editor/ActionEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <initializer_list>

#include "editor/EditorWords.h"

namespace tess {

const QString ActionEditor::kNewCaption = QStringLiteral(" New action");
const QString ActionEditor::kEditCaption = QStringLiteral(" Edit action");
const QString ActionEditor::kParameterHint =
    QStringLiteral("Press 'Enter' for save parameter changings");

ActionEditor::ActionEditor(EditorHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    BuildControls();

    // The change handlers run on user edits and picks only: textEdited is
    // not emitted for text set by code, activated only for picks.
    connect(comboBox1_->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox1Change(); });
    connect(comboBox1_, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    connect(comboBox2_->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox2Change(); });
    connect(comboBox2_, &QComboBox::activated, this, [this] { ComboBox2Change(); });
    connect(autoParameterCheck1_, &QCheckBox::toggled, this, [this] { AutoParameterCheck1Click(); });
    connect(button1_, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(button2_, &QPushButton::clicked, this, [this] { Button2Click(); });

    for (QWidget* watched : std::initializer_list<QWidget*>{comboBox1_, comboBox1_->lineEdit(),
                                                             comboBox2_, comboBox2_->lineEdit(),
                                                             edit1_, button1_, button2_})
        watched->installEventFilter(this);
}

void ActionEditor::SetCommandText(QComboBox* field, const QString& text) {
    field->setCurrentIndex(-1);
    field->setEditText(text);
}

void ActionEditor::ShowEditor() {
    if (!placed_) {
        PlaceOverMainWindow();
        placed_ = true;
    }
    // An editor that already is the active window gets no activation event,
    // so its controls are brought in line here.
    const bool alreadyActive = isVisible() && isActiveWindow();
    // Showing also brings back an editor the user minimized.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    KeepAboveMainWindow();
    show();
    raise();
    activateWindow();
    if (alreadyActive)
        FormActivate();
}

void ActionEditor::SetEditMode() {
    setWindowTitle(kEditCaption);
    button1_->setText(QStringLiteral("Edit"));
}

bool ActionEditor::IsEditMode() const {
    return windowTitle() == kEditCaption;
}

void ActionEditor::PlaceOverMainWindow() {
    QRect area;
    QWidget* main = host_.MainWindowWidget();
    if (main)
        area = main->frameGeometry();
    else if (QScreen* primary = QGuiApplication::primaryScreen())
        area = primary->availableGeometry();
    // Centred by its frame, which move() places: before the first showing
    // the frame is not known yet, and the main window's, drawn by the same
    // window manager, stands in for it.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull() && main && main->windowHandle())
        frame = main->windowHandle()->frameMargins();
    const QSize outer = size().grownBy(frame);
    const int x = area.x() + (area.width() - outer.width()) / 2;
    const int y = area.y() + (area.height() - outer.height()) / 2;
    move(std::max(0, x), std::max(0, y));
}

void ActionEditor::SetParameterFieldEnabled(bool enabled) {
    // The field is drawn in the text-background colour while enabled and in
    // the button-face colour while disabled; the two always change together.
    edit1_->setEnabled(enabled);
    const QPalette& system = QApplication::palette(edit1_);
    QPalette own = edit1_->palette();
    own.setColor(QPalette::Base, system.color(enabled ? QPalette::Base : QPalette::Button));
    edit1_->setPalette(own);
}

void ActionEditor::FocusParameterOrButton() {
    if (edit1_->isEnabled())
        FocusParameter();
    else
        FocusButton1();
}

void ActionEditor::FocusParameter() {
    // Typing replaces what the field holds, as after Tab.
    edit1_->setFocus(Qt::OtherFocusReason);
    edit1_->selectAll();
}

void ActionEditor::FocusButton1() {
    // A focus moved by a key shows its cue on the button, as after Tab.
    setAttribute(Qt::WA_KeyboardFocusChange);
    button1_->setFocus(Qt::OtherFocusReason);
    button1_->update();
}

void ActionEditor::FormShow() {
    comboBox1_->setFocus(Qt::OtherFocusReason);
}

void ActionEditor::FormActivate() {
    // Texts set by code ran no change handler; bring the controls in line.
    const QString basic = comboBox1_->currentText();
    autoParameterCheck1_->setEnabled(basic == kCaptureWord);
    SetParameterFieldEnabled(IsBasicParameterWord(basic) ||
                             IsExtendedParameterWord(comboBox2_->currentText()));
}

void ActionEditor::ComboBox1Change() {
    SetCommandText(comboBox2_, QString());
    const QString basic = comboBox1_->currentText();
    autoParameterCheck1_->setEnabled(basic == kCaptureWord);
    SetParameterFieldEnabled(IsBasicParameterWord(basic));
}

void ActionEditor::ComboBox2Change() {
    SetCommandText(comboBox1_, QString());
    autoParameterCheck1_->setEnabled(false);
    SetParameterFieldEnabled(IsExtendedParameterWord(comboBox2_->currentText()));
}

void ActionEditor::ComboBox1KeyPress() {
    FocusParameterOrButton();
}

void ActionEditor::ComboBox2KeyPress() {
    FocusParameterOrButton();
}

void ActionEditor::Edit1KeyPress() {
    // Freezes a captured position: capture stops, the field keeps its text.
    autoParameterCheck1_->setChecked(false);
    FocusButton1();
}

void ActionEditor::AutoParameterCheck1Click() {
    edit1_->setToolTip(autoParameterCheck1_->isChecked() ? kParameterHint : QString());
}

void ActionEditor::Button1Click() {
    const QString line = ComposeLine(comboBox1_->currentText(), comboBox2_->currentText(),
                                     edit1_->isEnabled(), edit1_->text());
    const int count = host_.LineCount();
    if (count == 0) {
        // Also in Edit mode: the lines may have been deleted while the editor
        // stayed open; the line then becomes the only line.
        host_.AppendLine(line);
        host_.SetLineSelected(host_.LineCount() - 1, true);
    } else {
        const int caret = std::clamp(host_.CaretLine(), 0, count - 1);
        if (IsEditMode()) {
            host_.ReplaceLine(caret, line);
            host_.SetLineSelected(caret, true);
        } else {
            host_.InsertLine(caret + 1, line);
            host_.SetLineSelected(caret, false);
            host_.SetLineSelected(caret + 1, true);
        }
    }
    Button2Click();
    host_.MarkModified();
}

void ActionEditor::Button2Click() {
    if (stayontop1_->isChecked()) {
        FocusParameterOrButton();
        return;
    }
    hide();
    host_.ShowMainWindow();
    edit1_->clear();
    SetCommandText(comboBox1_, QString());
    SetCommandText(comboBox2_, QString());
    setWindowTitle(kNewCaption);
    button1_->setText(QStringLiteral("Add"));
}

void ActionEditor::FormCloseQuery() {
    Button2Click();
}

bool ActionEditor::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    // Esc that no control took (an open drop-down list takes its own)
    // closes the editor as its close box does.
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(e)->modifiers() == Qt::NoModifier) {
        close();
        return true;
    }
    return QWidget::event(e);
}

void ActionEditor::KeepAboveMainWindow() {
    // Transient for the main window itself, so that the window manager keeps
    // the editor above it while the user works in the main window (picking
    // the line to insert after, say).
    QWidget* main = host_.MainWindowWidget();
    if (!main || !main->windowHandle()) return;
    winId();
    if (windowHandle() && windowHandle()->transientParent() != main->windowHandle())
        windowHandle()->setTransientParent(main->windowHandle());
}

void ActionEditor::showEvent(QShowEvent* e) {
    if (!e->spontaneous())
        FormShow();
    QWidget::showEvent(e);
}

void ActionEditor::closeEvent(QCloseEvent* e) {
    // A hidden editor closed along with the program has nothing to cancel.
    if (isVisible())
        FormCloseQuery();
    e->accept();
}

bool ActionEditor::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, e);
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QWidget::eventFilter(watched, e);
    if (watched == comboBox1_ || watched == comboBox1_->lineEdit())
        ComboBox1KeyPress();
    else if (watched == comboBox2_ || watched == comboBox2_->lineEdit())
        ComboBox2KeyPress();
    else if (watched == edit1_)
        Edit1KeyPress();
    else if (watched == button1_ || watched == button2_)
        static_cast<QPushButton*>(watched)->click();  // Enter presses the focused button
    else
        return QWidget::eventFilter(watched, e);
    return true;
}

}  // namespace tess
