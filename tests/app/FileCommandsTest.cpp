// Scenario files through the window's commands: round trips, foreign line
// ends and encodings, the dialogs, and the error boxes.
#include <gtest/gtest.h>

#include <QFile>
#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QFileInfo>

#include "FileSizeLimit.h"
#include "WindowTestSupport.h"
#include "app/MainActions.h"
#include "app/ScenarioList.h"

using namespace tess;
using namespace tess::test;

namespace {

class FileCommandsTest : public ::testing::Test, public WindowFixture {
protected:
    void Save(const QString& name) {
        window->MarkModified();
        dialogs.answers = {TempPath(name)};
        window->Actions().Savetofile1->trigger();
    }
    void Load(const QString& name) {
        dialogs.answers = {TempPath(name)};
        window->Actions().Loadfromfile1->trigger();
    }
};

TEST_F(FileCommandsTest, SavedLinesComeBackUnchanged) {
    std::vector<std::string> lines = {"", "  Click ", "Write hello  ", " ", "",
                                      "Write \xc3\xa9t\xc3\xa9 \xe2\x82\xac", ""};
    window->ListBox1->Model().SetLines(lines);
    Save("round.sf");
    EXPECT_FALSE(window->IsModified());
    EXPECT_EQ(ReadBytes("round.sf"),
              QByteArray("\n  Click \nWrite hello  \n \n\nWrite \xc3\xa9t\xc3\xa9 \xe2\x82\xac\n\n"));
    window->ListBox1->Model().Clear();
    Load("round.sf");
    EXPECT_EQ(Lines(), lines);
}

TEST_F(FileCommandsTest, ReadsCrLfAndWindows1252) {
    WriteBytes("win.sf", QByteArray("CurPos 1,2\r\nWrite caf\xe9 \x80\r\n\r\nStop"));
    Load("win.sf");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"CurPos 1,2", "Write caf\xc3\xa9 \xe2\x82\xac",
                                                  "", "Stop"}));
}

TEST_F(FileCommandsTest, AddFromFileAppendsAtTheEnd) {
    window->ListBox1->Model().SetLines({"a", "b"});
    window->ListBox1->SetCaretLine(0);
    WriteBytes("more.sf", "c\nd\n");
    dialogs.answers = {TempPath("more.sf")};
    PressKey(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_TRUE(window->IsModified());
}

TEST_F(FileCommandsTest, CancelledDialogsChangeNothing) {
    window->MarkModified();
    dialogs.answers = {"", "", ""};
    window->Actions().Savetofile1->trigger();
    boxes.Queue({"&No"});
    window->Actions().Loadfromfile1->trigger();
    window->Actions().Addfromfile1->trigger();
    EXPECT_EQ(dialogs.asked, 3);
    EXPECT_EQ(Lines().size(), 34u);
    EXPECT_TRUE(window->IsModified());
}

TEST_F(FileCommandsTest, SaveDialogOffersTheLastFileName) {
    Save("first.sf");
    // A name whose save failed is not offered again.
    boxes.Queue({"OK"});
    Save("no-such-folder/x.sf");
    Save("second.sf");
    ASSERT_EQ(dialogs.lastNamesSeen.size(), 3u);
    EXPECT_EQ(dialogs.lastNamesSeen[0], "");
    EXPECT_EQ(dialogs.lastNamesSeen[1], TempPath("first.sf"));
    EXPECT_EQ(dialogs.lastNamesSeen[2], TempPath("first.sf"));
}

TEST_F(FileCommandsTest, UnreadableFileIsReportedAndTheListKept) {
    boxes.Queue({"OK", "OK"});
    Load("missing.sf");
    QDir().mkpath(TempPath("folder.sf"));
    Load("folder.sf");
    EXPECT_EQ(Lines().size(), 34u);
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[0].caption, "Error");
    EXPECT_TRUE(boxes.seen[0].text.contains(TempPath("missing.sf"))) << boxes.seen[0].text.toStdString();
    EXPECT_TRUE(boxes.seen[1].text.contains(TempPath("folder.sf")));
    EXPECT_EQ(boxes.seen[0].defaultButton, "OK");
}

TEST_F(FileCommandsTest, FailedSaveKeepsTheOldFileAndSaysWhichAndWhy) {
    WriteBytes("keep.sf", "old\n");
    // Nothing can be created beside a file in a missing folder...
    boxes.Queue({"OK"});
    Save("no-such-folder/x.sf");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_TRUE(boxes.seen[0].text.contains(TempPath("no-such-folder/x.sf")));
    // There was no file to leave alone: the box says nothing was written.
    EXPECT_TRUE(boxes.seen[0].text.contains("Nothing was written."));
    EXPECT_FALSE(boxes.seen[0].text.contains("left as it was"));
    EXPECT_TRUE(window->IsModified());
    // ...and a write cut short (a file size limit, which binds root too)
    // leaves the old file as it was.
    {
        FileSizeLimit limit(64);
        boxes.Queue({"OK"});
        Save("keep.sf");
    }
    EXPECT_EQ(ReadBytes("keep.sf"), "old\n");
    EXPECT_TRUE(window->IsModified());
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_TRUE(boxes.seen[1].text.contains(TempPath("keep.sf")));
    EXPECT_TRUE(boxes.seen[1].text.contains("left as it was"));
    EXPECT_EQ(QDir(temp_.path()).entryList(QDir::Files), QStringList({"keep.sf"}));
}

TEST_F(FileCommandsTest, DialogsHaveTheirTitlesAndFilters) {
    WriteBytes("picture", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    for (bool save : {true, false}) {
        std::unique_ptr<QFileDialog> d(MakeScenarioDialog(window.get(), save));
        EXPECT_EQ(d->windowTitle(), save ? "Save scenario" : "Open scenario");
        EXPECT_EQ(d->nameFilters(), QStringList({"Scenario (*.sf)", "All (*)"}));
        // Types come from names, never from reading the file.
        EXPECT_EQ(d->iconProvider()->type(QFileInfo(TempPath("picture"))), "File");
        EXPECT_EQ(d->selectedNameFilter(), "Scenario (*.sf)");
        if (save) {
            EXPECT_EQ(d->defaultSuffix(), "sf");
            emit d->filterSelected("All (*)");
            EXPECT_EQ(d->defaultSuffix(), "");
            emit d->filterSelected("Scenario (*.sf)");
            EXPECT_EQ(d->defaultSuffix(), "sf");
        }
    }
}

}  // namespace
