// Edit action: loading the caret line into the editor, and the line coming
// back through the action button.
#include <QCheckBox>
#include <QPushButton>

#include "EditorTestSupport.h"
#include "editor/EditAction.h"

namespace tess::test {
namespace {

using EditActionTest = EditorFixture;

struct RoundTrip {
    const char* line;
    const char* basic;
    const char* extended;
    const char* parameter;
    bool fieldEnabled;
    bool autoEnabled;
    const char* storedBack;
};

TEST_F(EditActionTest, LoadsTheCaretLineAndRewritesItThroughEdit) {
    const RoundTrip cases[] = {
        {"CurPos 118,141", "CurPos ", "", "118,141", true, true, "CurPos 118,141"},
        {"CurPos [750..769],[181..172]", "CurPos ", "", "[750..769],[181..172]", true, true,
         "CurPos [750..769],[181..172]"},
        {"Interval 1000", "Interval ", "", "1000", true, false, "Interval 1000"},
        {"Load link.htm", "", "Load ", "link.htm", true, false, "Load link.htm"},
        {"Write Hello,  big world ", "", "Write ", "Hello,  big world ", true, false,
         "Write Hello,  big world "},
        {"Stop", "Stop", "", "", false, false, "Stop"},
        {"Click ", "", "Click ", "", false, false, "Click "},
        {"MouseLDown 5", "MouseLDown ", "", "5", false, false, "MouseLDown "},
        {"click 5", "click ", "", "5", false, false, "click "},
        {" x", " ", "", "x", false, false, " "},
        {"", "", "", "", false, false, ""},
    };
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.line);
        host = FakeHost();
        host.mainWindow = MainWindow();
        host.lines = {"Cycle 3", c.line, "CycleEnd "};
        host.caret = 1;
        Editaction1Click(host, *editor);
        Activate(editor.get());
        EXPECT_EQ(editor->ComboBox1()->currentText(), c.basic);
        EXPECT_EQ(editor->ComboBox2()->currentText(), c.extended);
        EXPECT_EQ(editor->Edit1()->text(), c.parameter);
        EXPECT_EQ(editor->Edit1()->isEnabled(), c.fieldEnabled);
        EXPECT_EQ(editor->AutoParameterCheck1()->isEnabled(), c.autoEnabled);
        EXPECT_EQ(editor->windowTitle(), " Edit action");
        EXPECT_EQ(editor->Button1()->text(), "Edit");
        EXPECT_EQ(Focus(), editor->ComboBox1());

        ClickAdd();
        EXPECT_EQ(host.lines, QStringList({"Cycle 3", c.storedBack, "CycleEnd "}));
        EXPECT_EQ(host.marked, std::set<int>({1}));
        EXPECT_TRUE(host.modified);
        EXPECT_FALSE(editor->IsEditMode());
        EXPECT_FALSE(host.misuse);
    }
}

TEST_F(EditActionTest, EmptiesTheOtherListLeftFilledByStayOnTop) {
    host.lines = {"Click ", "KeyPress a"};
    Open();
    editor->Stayontop1()->setChecked(true);
    Pick(editor->ComboBox1(), "CurPos ");
    Editaction1Click(host, *editor);  // caret on "Click "
    EXPECT_EQ(editor->ComboBox1()->currentText(), "");
    host.caret = 1;
    Pick(editor->ComboBox1(), "KeyUp ");
    Editaction1Click(host, *editor);
    EXPECT_EQ(editor->ComboBox1()->currentText(), "");
    EXPECT_EQ(editor->ComboBox2()->currentText(), "KeyPress ");
    ClickAdd();
    EXPECT_EQ(host.lines, QStringList({"Click ", "KeyPress a"}));
}

TEST_F(EditActionTest, EmptyScenarioOnlyShowsTheEditor) {
    Open();
    editor->Stayontop1()->setChecked(true);
    Pick(editor->ComboBox2(), "Write ");
    Type(editor->Edit1(), "abc");
    editor->close();
    Editaction1Click(host, *editor);
    Activate(editor.get());
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->ComboBox2()->currentText(), "Write ");
    EXPECT_EQ(editor->Edit1()->text(), "abc");
    EXPECT_EQ(editor->windowTitle(), " New action");
    EXPECT_FALSE(host.misuse);
}

}  // namespace
}  // namespace tess::test
