// The window's Record command with a recorder the test drives: where the
// recorded lines go, what the window shows meanwhile, and when the command
// is offered at all.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <thread>

#include "WindowTestSupport.h"
#include "app/MainActions.h"
#include "app/RecordCommand.h"
#include "app/ScenarioList.h"

using namespace tess;
using namespace tess::test;

namespace {

class FakeRecorder : public InputRecorder {
public:
    bool Start(EventHandler onEvent, StopHandler onStop, std::string&) override {
        onEvent_ = std::move(onEvent);
        onStop_ = std::move(onStop);
        started = true;
        return true;
    }
    void Stop() override { started = false; }
    void IgnoreWindows(const std::vector<uint64_t>&) override {}
    // Delivers events and then the stop key from a thread of its own, as
    // the desktop's recorder does.
    void Play(const std::vector<InputEvent>& events) {
        std::thread([&] {
            for (const InputEvent& e : events) onEvent_(e);
            onStop_();
        }).join();
    }
    bool started = false;

private:
    EventHandler onEvent_;
    StopHandler onStop_;
};

class RecordCommandTest : public ::testing::Test, public WindowFixture {
protected:
    RecordCommand* Make(FakeRecorder* fake, const std::string& refusal = "") {
        return new RecordCommand(*window, [fake, refusal](std::string& error) -> std::unique_ptr<InputRecorder> {
            error = refusal;
            return fake ? std::unique_ptr<InputRecorder>(fake) : nullptr;
        });
    }
    QString State() { return window->StatusPanel1->text(); }
};

InputEvent Event(InputEventKind kind, uint32_t time, int button = 0, char32_t ch = 0) {
    InputEvent e;
    e.kind = kind;
    e.time = time;
    e.point = {5, 6};
    e.button = button;
    e.vk = ch ? static_cast<uint8_t>(ch - 'a' + 'A') : 0;
    e.ch = ch;
    return e;
}

TEST_F(RecordCommandTest, RecordedLinesGoInAfterTheCaretLineAsAddDoes) {
    auto* fake = new FakeRecorder;
    RecordCommand* command = Make(fake);
    EXPECT_TRUE(window->Actions().Run1->actions().contains(command->Record1));
    EXPECT_TRUE(window->Actions().PopupMenu1->actions().contains(command->Record1));
    window->ListBox1->SelectLines({2});
    window->ListBox1->SetCaretLine(2);
    window->ListBox1->setFocus();
    PressKey(Qt::Key_F8);
    ASSERT_TRUE(fake->started);
    EXPECT_EQ(State(), " Record");
    EXPECT_FALSE(command->Record1->isEnabled());
    EXPECT_FALSE(window->Actions().Play1->isEnabled());

    using K = InputEventKind;
    fake->Play({Event(K::ButtonDown, 0, 1), Event(K::ButtonUp, 40, 1), Event(K::KeyDown, 60, 0, 'h'),
                Event(K::KeyUp, 70, 0, 'h'), Event(K::KeyDown, 80, 0, 'i'), Event(K::KeyUp, 90, 0, 'i')});
    QElapsedTimer waited;
    waited.start();
    while (command->Recording() && waited.elapsed() < 5000) QCoreApplication::processEvents();

    EXPECT_FALSE(fake->started);
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 7),
              (std::vector<std::string>{"Interval 10", "CurPos 5,6", "Click ", "Write hi"}));
    EXPECT_EQ(lines[7], "Click ");  // the sample's line after the caret line
    EXPECT_EQ(window->ListBox1->CaretLine(), 6);
    EXPECT_EQ(window->ListBox1->SelectedCount(), 1);
    EXPECT_TRUE(window->ListBox1->IsSelected(6));
    EXPECT_TRUE(window->IsModified());
    EXPECT_EQ(State(), "");
    EXPECT_TRUE(command->Record1->isEnabled());
    EXPECT_TRUE(window->Actions().Play1->isEnabled());
}

TEST_F(RecordCommandTest, OfferedOnlyWhilePlaybackIsStoppedAndWhereTheDesktopAllows) {
    RecordCommand* refused = Make(nullptr, "cannot record on Wayland: it lets no program watch the whole desktop's input");
    EXPECT_FALSE(refused->Record1->isEnabled());
    EXPECT_EQ(refused->Record1->toolTip(),
              "Cannot record: cannot record on Wayland: it lets no program watch the whole desktop's input");
    delete refused;

    RecordCommand* command = Make(new FakeRecorder);
    EXPECT_TRUE(command->Record1->isEnabled());
    window->Actions().Play1->trigger();
    EXPECT_FALSE(command->Record1->isEnabled());
    window->Actions().Stop1->trigger();
    EXPECT_TRUE(command->Record1->isEnabled());
}

}  // namespace
