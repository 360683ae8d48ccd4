// The stored window placement against a temporary config directory.
#include <gtest/gtest.h>

#include <QFile>

#include "WindowTestSupport.h"
#include "app/PlacementStore.h"
#include "platform/xdg/XdgSettingsTree.h"

using namespace tess;
using namespace tess::test;

namespace {

class PlacementTest : public ::testing::Test, public WindowFixture {
protected:
    PlacementTest() { window->hide(); }
    void Put(const char* name, uint32_t type, const std::string& data) {
        XdgSettingsTree tree(UserSettingsFilePath());
        SettingsKey key = 0;
        ASSERT_EQ(tree.CreateKey(kPlacementKey, key), SettingsStatus::Ok);
        ASSERT_EQ(tree.SetValue(key, name, type, data.data(), uint32_t(data.size())),
                  SettingsStatus::Ok);
        tree.CloseKey(key);
    }
    void PutInt(const char* name, int32_t v) {
        Put(name, 4, std::string(reinterpret_cast<const char*>(&v), 4));
    }
    std::optional<int32_t> GetInt(const char* name) {
        XdgSettingsTree tree(UserSettingsFilePath());
        SettingsKey key = 0;
        if (tree.OpenKey(kPlacementKey, SettingsAccess::Read, key) != SettingsStatus::Ok)
            return std::nullopt;
        int32_t v = 0;
        uint32_t type = 0, size = 4;
        if (tree.QueryValue(key, name, &type, &v, &size) != SettingsStatus::Ok || type != 4)
            return std::nullopt;
        return v;
    }
};

TEST_F(PlacementTest, NoKeyRestoresNothingAndCloseCreatesAllFourValues) {
    QRect before = window->geometry();
    window->RestorePlacement();
    EXPECT_EQ(window->geometry(), before);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(UserSettingsFilePath())));
    window->move(30, 40);
    window->resize(200, 250);
    window->show();
    const QSize outer = window->frameGeometry().size();  // the size with the frame
    EXPECT_TRUE(window->close());
    EXPECT_EQ(GetInt("top"), window->pos().y());
    EXPECT_EQ(GetInt("left"), window->pos().x());
    EXPECT_EQ(GetInt("height"), outer.height());
    EXPECT_EQ(GetInt("width"), outer.width());
}

TEST_F(PlacementTest, OnlyIntegerValuesApplyAndMinimumSizeHolds) {
    window->move(10, 20);
    window->resize(190, 300);
    Put("top", 1, "100");  // text: ignored
    PutInt("left", 60);
    PutInt("height", 100);  // below the minimum of 170
    PutInt("width", 50);    // below the minimum of 184
    window->RestorePlacement();
    EXPECT_EQ(window->pos(), QPoint(60, 20));
    EXPECT_EQ(window->frameGeometry().size(), QSize(184, 170));
}

TEST_F(PlacementTest, OnlyWidthPresentChangesOnlyTheWidth) {
    window->move(10, 20);
    window->resize(190, 300);
    PutInt("width", 260);
    window->RestorePlacement();
    EXPECT_EQ(window->pos(), QPoint(10, 20));
    EXPECT_EQ(window->frameGeometry().width(), 260);
    EXPECT_EQ(window->height(), 300);
    for (auto [type, name] : {std::pair{2u, "top"}, {3u, "left"}, {11u, "height"}})
        Put(name, type, std::string(4, '\1'));
    window->RestorePlacement();
    EXPECT_EQ(window->pos(), QPoint(10, 20));
    EXPECT_EQ(window->frameGeometry().width(), 260);
    EXPECT_EQ(window->height(), 300);
}

TEST_F(PlacementTest, OffScreenPositionIsNotAppliedButTheSizeIs) {
    window->move(10, 20);
    PutInt("top", 100);
    PutInt("left", -5000);
    PutInt("height", 220);
    PutInt("width", 230);
    window->RestorePlacement();
    EXPECT_EQ(window->pos(), QPoint(10, 20));
    EXPECT_EQ(window->frameGeometry().size(), QSize(230, 220));
    // Partly on screen is reachable: applied.
    PutInt("left", -100);
    window->RestorePlacement();
    EXPECT_EQ(window->pos(), QPoint(-100, 100));
}

TEST_F(PlacementTest, IntegerThatCannotBeReadRaisesAfterApplyingTheEarlierValues) {
    window->move(10, 20);
    window->resize(190, 300);
    PutInt("top", 50);
    Put("left", 4, "12345678");  // integer type, eight bytes
    PutInt("width", 400);
    try {
        window->RestorePlacement();
        FAIL() << "no error";
    } catch (const PlacementError& e) {
        EXPECT_STREQ(e.what(), "Failed to get data for 'left'");
    }
    EXPECT_EQ(window->pos(), QPoint(10, 50));
    EXPECT_EQ(window->width(), 190);
}

TEST_F(PlacementTest, DamagedSettingsFileCountsAsMissing) {
    QFile file(QString::fromStdString(UserSettingsFilePath()));
    QDir().mkpath(QFileInfo(file).path());
    file.open(QIODevice::WriteOnly);
    file.write("\x01\x02 nonsense [[[\n");
    file.close();
    QRect before = window->geometry();
    EXPECT_NO_THROW(window->RestorePlacement());
    EXPECT_EQ(window->geometry(), before);
}

TEST_F(PlacementTest, StoredOnEveryCloseRequestIncludingCancelled) {
    window->show();
    window->MarkModified();
    window->move(33, 44);
    boxes.Queue({"Cancel"});
    EXPECT_FALSE(window->close());
    EXPECT_EQ(GetInt("left"), window->pos().x());
    window->move(55, 66);
    boxes.Queue({"&No"});
    EXPECT_TRUE(window->close());
    EXPECT_EQ(GetInt("left"), window->pos().x());
    EXPECT_EQ(GetInt("top"), window->pos().y());
}

TEST_F(PlacementTest, CloseStillWorksWhenThePlacementCannotBeStored) {
    // A plain file where the settings directory should be.
    QFile blocker(ConfigHome() + "/tessaline-0003");
    blocker.open(QIODevice::WriteOnly);
    blocker.write("x");
    blocker.close();
    window->show();
    boxes.Queue({"OK"});
    EXPECT_TRUE(window->close());
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].caption, "Error");
    EXPECT_TRUE(boxes.seen[0].text.startsWith("Failed to set data for 'top'"));
    EXPECT_TRUE(boxes.seen[0].text.contains("not stored"));
    EXPECT_EQ(boxes.seen[0].buttons, QStringList({"OK"}));
    EXPECT_EQ(boxes.seen[0].escapeButton, "OK");
}

}  // namespace
