// The editor's window, its controls and how the two command lists drive the
// parameter field and the "Auto" box.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <QStyleOptionButton>

#include "EditorTestSupport.h"
#include "editor/EditorWords.h"

namespace tess::test {
namespace {

using EditorWindowTest = EditorFixture;
using EditorCommandTest = EditorFixture;
using EditorEnterTest = EditorFixture;

QColor FieldColour(const QLineEdit* field) {
    return field->palette().color(field->isEnabled() ? QPalette::Active : QPalette::Disabled,
                                  QPalette::Base);
}

TEST_F(EditorWindowTest, StartsHiddenInNewModeWithItsDesignedControls) {
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->windowTitle(), " New action");
    EXPECT_FALSE(editor->IsEditMode());
    EXPECT_EQ(editor->size(), QSize(418, 136));
    EXPECT_EQ(editor->minimumSize(), editor->maximumSize());
    EXPECT_TRUE(editor->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(editor->windowType(), Qt::Tool);

    auto text = [&](const char* name) -> QString {
        QObject* child = editor->findChild<QObject*>(QLatin1String(name));
        if (auto* g = qobject_cast<QGroupBox*>(child)) return g->title();
        if (auto* l = qobject_cast<QLabel*>(child)) return l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(child)) return b->text();
        if (auto* e = qobject_cast<QLineEdit*>(child)) return e->text();
        if (auto* c = qobject_cast<QComboBox*>(child)) return c->currentText();
        return QStringLiteral("<missing>");
    };
    EXPECT_EQ(text("GroupBox1"), " Action ");
    EXPECT_EQ(text("GroupBox2"), " Parameter ");
    EXPECT_EQ(text("Label1"), "Basic");
    EXPECT_EQ(text("Label2"), "Extended");
    EXPECT_EQ(text("ComboBox1"), "");
    EXPECT_EQ(text("ComboBox2"), "");
    EXPECT_EQ(text("Edit1"), "");
    EXPECT_EQ(text("AutoParameterCheck1"), "Auto");
    EXPECT_EQ(text("Stayontop1"), "Stay on top");
    EXPECT_EQ(text("Button1"), "Add");
    EXPECT_EQ(text("Button2"), "Cancel");

    QStringList basic, extended;
    for (int i = 0; i < editor->ComboBox1()->count(); ++i) basic << editor->ComboBox1()->itemText(i);
    for (int i = 0; i < editor->ComboBox2()->count(); ++i) extended << editor->ComboBox2()->itemText(i);
    EXPECT_EQ(basic, QStringList({"Cycle ", "CycleEnd ", "CurPos ", "Interval ", "KeyDown ", "KeyUp ",
                                  "MouseLDown ", "MouseLUp ", "MouseRDown ", "MouseRUp ", "Stop "}));
    EXPECT_EQ(extended, QStringList({"Click ", "ClickRight ", "KeyPress ", "Load ", "Write "}));

    EXPECT_FALSE(editor->Edit1()->isEnabled());
    EXPECT_TRUE(editor->Edit1()->toolTip().isEmpty());
    EXPECT_FALSE(editor->AutoParameterCheck1()->isEnabled());
    EXPECT_FALSE(editor->AutoParameterCheck1()->isChecked());
    EXPECT_FALSE(editor->Stayontop1()->isChecked());
    for (QPushButton* b : {editor->Button1(), editor->Button2()}) {
        EXPECT_FALSE(b->autoDefault());
        EXPECT_FALSE(b->isDefault());
    }
}

TEST_F(EditorWindowTest, ParameterFieldColourFollowsItsEnabledState) {
    Open();
    const QPalette system = QApplication::palette(editor->Edit1());
    EXPECT_EQ(FieldColour(editor->Edit1()), system.color(QPalette::Button));
    Pick(editor->ComboBox1(), "Interval ");
    EXPECT_EQ(FieldColour(editor->Edit1()), system.color(QPalette::Base));
    Pick(editor->ComboBox1(), "Stop ");
    EXPECT_EQ(FieldColour(editor->Edit1()), system.color(QPalette::Button));
}

TEST_F(EditorWindowTest, TabVisitsControlsInOrderSkippingTheExtendedListAndDisabledOnes) {
    Open();
    EXPECT_EQ(Focus(), editor->ComboBox1());  // showing puts the focus there
    auto walk = [&](int steps) {
        QList<QWidget*> seen;
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(Focus(), Qt::Key_Tab);
            seen << Focus();
        }
        return seen;
    };
    Pick(editor->ComboBox1(), "CurPos ");
    editor->ComboBox1()->setFocus();
    EXPECT_EQ(walk(6), QList<QWidget*>({editor->Edit1(), editor->AutoParameterCheck1(), editor->Button1(),
                                        editor->Button2(), editor->Stayontop1(), editor->ComboBox1()}));
    Pick(editor->ComboBox1(), "Stop ");
    editor->ComboBox1()->setFocus();
    EXPECT_EQ(walk(4), QList<QWidget*>({editor->Button1(), editor->Button2(), editor->Stayontop1(),
                                        editor->ComboBox1()}));
}

// Esc from any control closes the editor as its close box does (the Cancel
// reset), adding nothing; with the editor shown again it still works.
TEST_F(EditorWindowTest, EscapeClosesLikeTheCloseBox) {
    for (bool fromButton : {false, true}) {
        SCOPED_TRACE(fromButton ? "from Cancel" : "from the parameter field");
        Open();
        Pick(editor->ComboBox1(), "Cycle ");
        Type(editor->Edit1(), "4");
        QTest::keyClick(fromButton ? static_cast<QWidget*>(editor->Button2()) : editor->Edit1(),
                        Qt::Key_Escape);
        EXPECT_FALSE(editor->isVisible());
        EXPECT_TRUE(host.lines.isEmpty());
    }
}

// Picking each item sets the parameter field and the "Auto" box by the
// word table; picking in one list empties the other.
TEST_F(EditorCommandTest, EveryListEntryEnablesTheControlsItsWordCalls) {
    Open();
    const QStringList fieldWords = {"CurPos ", "Cycle ", "Interval ", "KeyDown ", "KeyUp "};
    for (const QString& item : BasicCommandItems()) {
        ActionEditor::SetCommandText(editor->ComboBox2(), "Write ");
        Pick(editor->ComboBox1(), item);
        SCOPED_TRACE(item.toStdString());
        EXPECT_EQ(editor->ComboBox1()->currentText(), item);
        EXPECT_EQ(editor->ComboBox2()->currentText(), "");
        EXPECT_EQ(editor->Edit1()->isEnabled(), fieldWords.contains(item));
        EXPECT_EQ(editor->AutoParameterCheck1()->isEnabled(), item == "CurPos ");
    }
    const QStringList extendedFieldWords = {"KeyPress ", "Load ", "Write "};
    for (const QString& item : ExtendedCommandItems()) {
        Pick(editor->ComboBox1(), "CurPos ");
        Pick(editor->ComboBox2(), item);
        SCOPED_TRACE(item.toStdString());
        EXPECT_EQ(editor->ComboBox2()->currentText(), item);
        EXPECT_EQ(editor->ComboBox1()->currentText(), "");
        EXPECT_EQ(editor->Edit1()->isEnabled(), extendedFieldWords.contains(item));
        EXPECT_FALSE(editor->AutoParameterCheck1()->isEnabled());
    }
}

TEST_F(EditorCommandTest, TypedTextCountsOnlyAsTheExactWordOfItsOwnList) {
    Open();
    Type(editor->ComboBox1(), "CurPos");
    EXPECT_FALSE(editor->Edit1()->isEnabled());
    EXPECT_EQ(editor->ComboBox1()->currentText(), "CurPos");  // no completion
    QTest::keyClick(editor->ComboBox1(), Qt::Key_Space);
    EXPECT_TRUE(editor->Edit1()->isEnabled());
    EXPECT_TRUE(editor->AutoParameterCheck1()->isEnabled());
    QTest::keyClick(editor->ComboBox1(), Qt::Key_Backspace);
    EXPECT_FALSE(editor->AutoParameterCheck1()->isEnabled());

    editor->ComboBox1()->clearEditText();
    Type(editor->ComboBox1(), "Load ");
    EXPECT_FALSE(editor->Edit1()->isEnabled());
    editor->ComboBox1()->clearEditText();
    Type(editor->ComboBox1(), "curpos ");
    EXPECT_FALSE(editor->Edit1()->isEnabled());

    Pick(editor->ComboBox1(), "Stop ");
    Type(editor->ComboBox2(), "K");  // a keystroke in the other list empties this one
    EXPECT_EQ(editor->ComboBox1()->currentText(), "");
    EXPECT_EQ(editor->ComboBox2()->currentText(), "K");
}

TEST_F(EditorCommandTest, TextsSetByCodeWaitForTheNextActivation) {
    Open();
    Pick(editor->ComboBox2(), "Click ");
    ActionEditor::SetCommandText(editor->ComboBox1(), "CurPos ");
    EXPECT_EQ(editor->ComboBox2()->currentText(), "Click ");
    EXPECT_FALSE(editor->Edit1()->isEnabled());
    Activate(MainWindow());
    Activate(editor.get());
    EXPECT_TRUE(editor->Edit1()->isEnabled());
    EXPECT_TRUE(editor->AutoParameterCheck1()->isEnabled());
    EXPECT_EQ(editor->ComboBox2()->currentText(), "Click ");
}

TEST_F(EditorCommandTest, DisablingKeepsTheParameterAndTheAutoCheckMark) {
    Open();
    Pick(editor->ComboBox1(), "Cycle ");
    Type(editor->Edit1(), "5");
    Pick(editor->ComboBox1(), "CycleEnd ");
    EXPECT_FALSE(editor->Edit1()->isEnabled());
    EXPECT_EQ(editor->Edit1()->text(), "5");
    Pick(editor->ComboBox1(), "Cycle ");
    EXPECT_TRUE(editor->Edit1()->isEnabled());
    EXPECT_EQ(editor->Edit1()->text(), "5");

    Pick(editor->ComboBox1(), "CurPos ");
    QTest::mouseClick(editor->AutoParameterCheck1(), Qt::LeftButton);
    ASSERT_TRUE(editor->AutoParameterCheck1()->isChecked());
    EXPECT_EQ(editor->Edit1()->toolTip(), "Press 'Enter' for save parameter changings");
    Pick(editor->ComboBox1(), "Interval ");
    EXPECT_FALSE(editor->AutoParameterCheck1()->isEnabled());
    EXPECT_TRUE(editor->AutoParameterCheck1()->isChecked());
}

TEST_F(EditorEnterTest, EnterInAListMovesToTheFieldOrTheActionButton) {
    Open();
    Pick(editor->ComboBox1(), "Stop ");
    Enter(editor->ComboBox1());
    EXPECT_EQ(Focus(), editor->Button1());
    // The button shows where the focus went, as after Tab.
    QStyleOptionButton look;
    look.initFrom(editor->Button1());
    EXPECT_TRUE(look.state & QStyle::State_HasFocus);
    EXPECT_TRUE(look.state & QStyle::State_KeyboardFocusChange);
    // The field's text is selected, so typing replaces it.
    editor->Edit1()->setText("118,141");
    Pick(editor->ComboBox1(), "CurPos ");
    Enter(editor->ComboBox1());
    EXPECT_EQ(Focus(), editor->Edit1());
    EXPECT_EQ(editor->Edit1()->selectedText(), "118,141");
    Pick(editor->ComboBox2(), "Load ");
    Enter(editor->ComboBox2());
    EXPECT_EQ(Focus(), editor->Edit1());
    Pick(editor->ComboBox2(), "Click ");
    Enter(editor->ComboBox2());
    EXPECT_EQ(Focus(), editor->Button1());
    EXPECT_EQ(editor->ComboBox1()->count(), 11);  // Enter never adds items
    EXPECT_EQ(editor->ComboBox2()->count(), 5);
}

TEST_F(EditorEnterTest, KeyboardOnlyAddUnchecksAutoOnTheWay) {
    Open();
    Type(editor->ComboBox1(), "Interval ");
    Enter(editor->ComboBox1());
    ASSERT_EQ(Focus(), editor->Edit1());
    editor->AutoParameterCheck1()->setChecked(true);  // left checked from an earlier capture
    QTest::keyClicks(Focus(), "250");
    Enter(Focus());
    EXPECT_FALSE(editor->AutoParameterCheck1()->isChecked());
    EXPECT_TRUE(editor->Edit1()->toolTip().isEmpty());
    ASSERT_EQ(Focus(), editor->Button1());
    Enter(Focus());
    EXPECT_EQ(host.lines, QStringList({"Interval 250"}));
    EXPECT_FALSE(editor->isVisible());
}

}  // namespace
}  // namespace tess::test
