// The editor's controls as laid out at design time: positions and sizes in
// pixels relative to their parent, client area 418 x 136.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "editor/ActionEditor.h"
#include "editor/EditorWords.h"

namespace tess {

namespace {

QComboBox* MakeCommandList(QWidget* parent, const char* name, const QStringList& items, int y) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->addItems(items);
    // Typed text stays as typed: no completion (typing "CurPos" must not
    // become "CurPos "), and Enter never adds the text as a new item.
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
    // Leaving the field is no pick: the list would otherwise look its text
    // up among the items and report an activation, running the change
    // handler (and emptying the other list) without any user edit.
    QObject::disconnect(box->lineEdit(), &QLineEdit::editingFinished, nullptr, nullptr);
    box->setMaxVisibleItems(items.size());
    box->setGeometry(8, y, 185, 21);
    ActionEditor::SetCommandText(box, QString());
    return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, int x) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    // Neither button is the window's default or cancel button.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(x, 112, 75, 21);
    return button;
}

}  // namespace

void ActionEditor::BuildControls() {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(kNewCaption);
    // Small caption bar with a close box only, always above other windows.
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(418, 136);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    groupBox1_ = new QGroupBox(QStringLiteral(" Action "), this);
    groupBox1_->setObjectName(QStringLiteral("GroupBox1"));
    groupBox1_->setGeometry(3, 0, 203, 105);

    label1_ = new QLabel(QStringLiteral("Basic"), groupBox1_);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->move(160, 16);
    label1_->adjustSize();
    comboBox1_ = MakeCommandList(groupBox1_, "ComboBox1", BasicCommandItems(), 32);

    label2_ = new QLabel(QStringLiteral("Extended"), groupBox1_);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->move(144, 56);
    label2_->adjustSize();
    comboBox2_ = MakeCommandList(groupBox1_, "ComboBox2", ExtendedCommandItems(), 72);
    // Reached by mouse only, never by Tab.
    comboBox2_->setFocusPolicy(Qt::ClickFocus);

    groupBox2_ = new QGroupBox(QStringLiteral(" Parameter "), this);
    groupBox2_->setObjectName(QStringLiteral("GroupBox2"));
    groupBox2_->setGeometry(211, 0, 203, 105);

    edit1_ = new QLineEdit(groupBox2_);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setGeometry(8, 32, 185, 21);

    autoParameterCheck1_ = new QCheckBox(QStringLiteral("Auto"), groupBox2_);
    autoParameterCheck1_->setObjectName(QStringLiteral("AutoParameterCheck1"));
    autoParameterCheck1_->setGeometry(8, 72, 57, 17);
    autoParameterCheck1_->setEnabled(false);

    stayontop1_ = new QCheckBox(QStringLiteral("Stay on top"), this);
    stayontop1_->setObjectName(QStringLiteral("Stayontop1"));
    stayontop1_->setGeometry(11, 112, 89, 17);

    button2_ = MakeButton(this, "Button2", QStringLiteral("Cancel"), 256);
    button1_ = MakeButton(this, "Button1", QStringLiteral("Add"), 336);

    SetParameterFieldEnabled(false);

    setTabOrder(comboBox1_, edit1_);
    setTabOrder(edit1_, autoParameterCheck1_);
    setTabOrder(autoParameterCheck1_, button1_);
    setTabOrder(button1_, button2_);
    setTabOrder(button2_, stayontop1_);
}

}  // namespace tess
