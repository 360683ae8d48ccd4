// Add/Edit, Cancel, the close box, "Stay on top" and where the editor shows.
#include <QCheckBox>
#include <QPushButton>

#include "EditorTestSupport.h"

namespace tess::test {
namespace {

using EditorAddTest = EditorFixture;
using EditorCancelTest = EditorFixture;
using EditorPlacementTest = EditorFixture;

TEST_F(EditorAddTest, NewModeFillsAnEmptyScenarioAndResetsTheEditor) {
    Open();
    Pick(editor->ComboBox1(), "CurPos ");
    Type(editor->Edit1(), "118,141");
    ClickAdd();
    EXPECT_EQ(host.lines, QStringList({"CurPos 118,141"}));
    EXPECT_EQ(host.marked, std::set<int>({0}));
    EXPECT_TRUE(host.modified);
    EXPECT_EQ(host.mainShown, 1);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->ComboBox1()->currentText(), "");
    EXPECT_EQ(editor->Edit1()->text(), "");
    EXPECT_FALSE(host.misuse);
}

TEST_F(EditorAddTest, ComposesTheFieldsAsTheyStand) {
    struct Case {
        const char* basic;  // picked
        const char* typed;  // typed into ComboBox1 instead, when set
        const char* parameter;
        const char* stored;
    };
    const Case cases[] = {
        {"Stop ", nullptr, nullptr, "Stop "},
        {nullptr, "CurPos", nullptr, "CurPos"},
        {nullptr, "Interval 1000", nullptr, "Interval 1000"},
        {"Interval ", nullptr, " 25 ", "Interval  25 "},
        {nullptr, "", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        host = FakeHost();
        host.mainWindow = MainWindow();
        Open();
        if (c.basic)
            Pick(editor->ComboBox1(), c.basic);
        else
            Type(editor->ComboBox1(), c.typed);
        if (c.parameter)
            Type(editor->Edit1(), c.parameter);
        ClickAdd();
        EXPECT_EQ(host.lines, QStringList({c.stored}));
    }
}

TEST_F(EditorAddTest, DisabledParameterIsLeftOut) {
    Open();
    Pick(editor->ComboBox1(), "Cycle ");
    Type(editor->Edit1(), "5");
    Pick(editor->ComboBox1(), "CycleEnd ");
    ClickAdd();
    EXPECT_EQ(host.lines, QStringList({"CycleEnd "}));
}

TEST_F(EditorAddTest, NewModeInsertsAfterTheCaretLineAndMovesTheMark) {
    host.lines = {"a", "b", "c"};
    host.caret = 2;
    host.marked = {0, 2};
    Open();
    Pick(editor->ComboBox2(), "Click ");
    ClickAdd();
    EXPECT_EQ(host.lines, QStringList({"a", "b", "c", "Click "}));
    EXPECT_EQ(host.marked, std::set<int>({0, 3}));
    EXPECT_EQ(host.caret, 3);
    EXPECT_FALSE(host.misuse);
}

TEST_F(EditorAddTest, TwoAddsInARowFollowTheOldCaretLineInOrder) {
    host.lines = {"a", "b", "c"};
    host.caret = 0;
    for (const char* word : {"MouseLDown ", "MouseLUp "}) {
        Open();
        Pick(editor->ComboBox1(), word);
        ClickAdd();
    }
    EXPECT_EQ(host.lines, QStringList({"a", "MouseLDown ", "MouseLUp ", "b", "c"}));
    EXPECT_EQ(host.marked, std::set<int>({2}));
}

TEST_F(EditorAddTest, EditModeReplacesTheCaretLineEvenWhenUnchanged) {
    host.lines = {"a", "Stop ", "c"};
    host.caret = 1;
    editor->SetEditMode();
    EXPECT_EQ(editor->windowTitle(), " Edit action");
    EXPECT_EQ(editor->Button1()->text(), "Edit");
    Open();
    Pick(editor->ComboBox1(), "Stop ");
    ClickAdd();
    EXPECT_EQ(host.lines, QStringList({"a", "Stop ", "c"}));
    EXPECT_EQ(host.marked, std::set<int>({1}));
    EXPECT_TRUE(host.modified);
    EXPECT_EQ(editor->windowTitle(), " New action");
    EXPECT_EQ(editor->Button1()->text(), "Add");
}

TEST_F(EditorAddTest, EditModeOnAScenarioEmptiedMeanwhileAddsTheOnlyLine) {
    editor->SetEditMode();
    Open();
    Pick(editor->ComboBox2(), "Load ");
    Type(editor->Edit1(), "link.htm");
    ClickAdd();
    EXPECT_EQ(host.lines, QStringList({"Load link.htm"}));
    EXPECT_EQ(host.marked, std::set<int>({0}));
    EXPECT_FALSE(host.misuse);
}

TEST_F(EditorAddTest, StayOnTopKeepsTheEditorOpenAndFilled) {
    host.lines = {"a"};
    Open();
    QTest::mouseClick(editor->Stayontop1(), Qt::LeftButton);
    Pick(editor->ComboBox2(), "Click ");
    ClickAdd();
    EXPECT_EQ(host.lines, QStringList({"a", "Click "}));
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->ComboBox2()->currentText(), "Click ");
    EXPECT_EQ(Focus(), editor->Button1());
    EXPECT_TRUE(host.modified);
    EXPECT_EQ(host.mainShown, 0);

    // Edit mode stays on: every press rewrites the caret line again.
    editor->SetEditMode();
    Pick(editor->ComboBox1(), "Interval ");
    Type(editor->Edit1(), "10");
    ClickAdd();
    EXPECT_EQ(Focus(), editor->Edit1());
    Type(editor->Edit1(), "20");  // the field's text was selected: typing replaces it
    ClickAdd();
    EXPECT_EQ(host.lines, QStringList({"a", "Interval 20"}));
    EXPECT_TRUE(editor->IsEditMode());
}

TEST_F(EditorCancelTest, CancelHidesAndResetsButKeepsTheAutoBox) {
    Open();
    editor->SetEditMode();
    Pick(editor->ComboBox1(), "CurPos ");
    QTest::mouseClick(editor->AutoParameterCheck1(), Qt::LeftButton);
    Type(editor->Edit1(), "1,2");
    ClickCancel();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(host.mainShown, 1);
    EXPECT_EQ(editor->ComboBox1()->currentText(), "");
    EXPECT_EQ(editor->Edit1()->text(), "");
    EXPECT_EQ(editor->windowTitle(), " New action");
    EXPECT_EQ(editor->Button1()->text(), "Add");
    EXPECT_TRUE(editor->AutoParameterCheck1()->isChecked());
    EXPECT_FALSE(host.modified);
    EXPECT_TRUE(host.lines.isEmpty());

    Open();  // activation disables what the empty fields no longer call for
    EXPECT_FALSE(editor->Edit1()->isEnabled());
    EXPECT_FALSE(editor->AutoParameterCheck1()->isEnabled());
    EXPECT_EQ(Focus(), editor->ComboBox1());
}

TEST_F(EditorCancelTest, CancelWithStayOnTopOnlyMovesTheFocus) {
    Open();
    editor->Stayontop1()->setChecked(true);
    editor->SetEditMode();
    Pick(editor->ComboBox1(), "KeyDown ");
    Type(editor->Edit1(), "A");
    editor->ComboBox1()->setFocus();
    ClickCancel();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(Focus(), editor->Edit1());
    EXPECT_EQ(editor->ComboBox1()->currentText(), "KeyDown ");
    EXPECT_TRUE(editor->IsEditMode());
    EXPECT_EQ(host.mainShown, 0);
}

TEST_F(EditorCancelTest, CloseBoxCancelsOrJustHides) {
    Open();
    Pick(editor->ComboBox1(), "Cycle ");
    editor->close();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->ComboBox1()->currentText(), "");
    EXPECT_EQ(host.mainShown, 1);

    Open();
    editor->Stayontop1()->setChecked(true);
    editor->SetEditMode();
    Pick(editor->ComboBox1(), "Cycle ");
    editor->close();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->ComboBox1()->currentText(), "Cycle ");
    EXPECT_TRUE(editor->IsEditMode());
    EXPECT_EQ(host.mainShown, 1);
}

TEST_F(EditorPlacementTest, FirstShowingCentresOverTheMainWindowThenStaysWhereLeft) {
    MainWindow()->move(300, 200);
    const QRect main = MainWindow()->frameGeometry();
    editor->ShowEditor();
    EXPECT_EQ(editor->pos(), QPoint(main.x() + (main.width() - 418) / 2,
                                    main.y() + (main.height() - 136) / 2));
    editor->move(40, 50);
    editor->hide();
    MainWindow()->move(500, 500);
    editor->ShowEditor();
    EXPECT_EQ(editor->pos(), QPoint(40, 50));
}

TEST_F(EditorPlacementTest, CentredPositionIsClampedToTheScreenOrigin) {
    // A main window dragged partly off the top-left corner.
    MainWindow()->move(-500, -400);
    editor->ShowEditor();
    EXPECT_EQ(editor->pos(), QPoint(0, 0));
}

}  // namespace
}  // namespace tess::test
