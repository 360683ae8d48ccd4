// The line composer on synthetic event lists: what a user does and the
// lines that replay it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record/LineComposer.h"

namespace tess {
namespace {

using Kind = InputEventKind;

InputEvent Move(uint32_t t, int x, int y) { return {Kind::Motion, t, {x, y}}; }
InputEvent Down(uint32_t t, int button, int x, int y) { return {Kind::ButtonDown, t, {x, y}, button}; }
InputEvent Up(uint32_t t, int button, int x, int y) { return {Kind::ButtonUp, t, {x, y}, button}; }
InputEvent Key(uint32_t t, bool down, uint8_t vk, char32_t ch = 0, unsigned mods = 0) {
    InputEvent e;
    e.kind = down ? Kind::KeyDown : Kind::KeyUp;
    e.time = t;
    e.vk = vk;
    e.ch = ch;
    e.modifiers = mods;
    return e;
}
// A key pressed and released 30 ms later.
std::vector<InputEvent> Tap(uint32_t t, uint8_t vk, char32_t ch = 0, unsigned mods = 0) {
    return {Key(t, true, vk, ch, mods), Key(t + 30, false, vk, ch, mods)};
}

struct Case {
    const char* name;
    std::vector<InputEvent> events;
    std::vector<std::string> lines;
    ComposerOptions options{};
};

std::vector<InputEvent> Join(std::initializer_list<std::vector<InputEvent>> parts) {
    std::vector<InputEvent> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        LineComposer composer(c.options);
        for (const InputEvent& e : c.events) composer.Add(e);
        EXPECT_EQ(composer.Finish(), c.lines) << c.name;
    }
}

TEST(LineComposerTest, PointerBecomesClicksDragsAndPositions) {
    Check({
        {"click with a small wobble",
         {Move(0, 90, 90), Move(20, 100, 100), Down(40, 1, 100, 100), Move(60, 102, 99), Up(120, 1, 102, 99)},
         {"Interval 10", "CurPos 100,100", "Click "}},
        {"right click, then a click at the same place writes no position again",
         {Down(0, 3, 5, 6), Up(50, 3, 5, 6), Down(100, 1, 5, 6), Up(150, 1, 5, 6)},
         {"Interval 10", "CurPos 5,6", "ClickRight ", "Click "}},
        {"a drag writes its path every few pixels and its end",
         {Down(0, 1, 0, 0), Move(10, 1, 0), Move(20, 2, 0), Move(30, 5, 0), Move(40, 6, 0), Move(50, 9, 0),
          Move(60, 10, 2), Up(70, 1, 10, 2)},
         {"Interval 10", "CurPos 0,0", "MouseLDown ", "CurPos 5,0", "CurPos 9,0", "CurPos 10,2", "MouseLUp "}},
        {"a long hold without moving",
         {Down(0, 3, 7, 7), Up(700, 3, 7, 7)},
         {"Interval 10", "CurPos 7,7", "MouseRDown ", "Interval 680", "Interval 10", "MouseRUp "}},
        {"the middle button and a release pressed before recording are left out",
         {Up(0, 1, 1, 1), Down(10, 2, 1, 1), Up(20, 2, 1, 1)},
         {}},
        {"a button still held at the end is released",
         {Down(0, 1, 3, 3), Move(10, 30, 3)},
         {"Interval 10", "CurPos 3,3", "MouseLDown ", "CurPos 30,3", "MouseLUp "}},
        {"Shift held over a click",
         Join({{Key(0, true, 16), Down(20, 1, 4, 4), Up(40, 1, 4, 4), Key(60, false, 16)}}),
         {"Interval 10", "KeyDown #16", "CurPos 4,4", "Click ", "KeyUp #16"}},
    });
}

TEST(LineComposerTest, KeysBecomeWriteOrKeyLines) {
    Check({
        {"typing with Shift is text; Shift itself is not written",
         Join({{Key(0, true, 16)}, Tap(10, 'H', U'H', kModShift), {Key(50, false, 16)}, Tap(60, 'I', U'i'),
               Tap(90, 190, U'.'), Tap(120, 32, U' '), Tap(150, 'Z', U'ж')}),
         {"Interval 10", "Write Hi. ж"}},
        {"Enter, arrows and F-keys between runs of text",
         Join({Tap(0, 'A', U'a'), Tap(40, 13, U'\r'), Tap(80, 'B', U'b'), Tap(120, 37), Tap(160, 116),
               Tap(200, 8, U'\b')}),
         {"Interval 10", "Write a", "KeyPress #13", "Write b", "KeyPress #37", "KeyPress #116", "KeyPress #8"}},
        {"Ctrl+Shift+T and Ctrl+C",
         Join({{Key(0, true, 17), Key(10, true, 16)}, Tap(20, 'T', U'T', kModCtrl | kModShift),
               {Key(60, false, 16)}, Tap(70, 'C', U'c', kModCtrl), {Key(110, false, 17)}}),
         {"Interval 10", "KeyDown #17", "KeyDown #16", "KeyPress #84", "KeyUp #16", "KeyPress #67",
          "KeyUp #17"}},
        {"a key held while typing, and its repeats",
         {Key(0, true, 39), Key(10, true, 'A', U'a'), Key(20, false, 'A', U'a'), Key(30, false, 39),
          Key(40, true, 40), Key(70, true, 40), Key(100, false, 40)},
         {"Interval 10", "KeyDown #39", "Write a", "KeyUp #39", "KeyPress #40", "KeyPress #40"}},
        {"Alt tapped alone; lock keys and unknown keys are left out",
         Join({Tap(0, 18), Tap(40, 20), Tap(80, 0), Tap(120, 'A', U'A')}),
         {"Interval 10", "KeyPress #18", "Write A"}},
        {"modifiers pressed without effect (the start of the stop key) leave nothing",
         {Key(0, true, 17), Key(10, true, 18)},
         {}},
        {"a key held down by the lines at the end is released",
         {Key(0, true, 17), Key(10, true, 46, 0, kModCtrl), Key(20, true, 'A', U'a', kModCtrl)},
         {"Interval 10", "KeyDown #17", "KeyDown #46", "KeyPress #65", "KeyUp #46", "KeyUp #17"}},
    });
}

TEST(LineComposerTest, PausesBecomeIntervalsAtTheChosenPace) {
    ComposerOptions slow;
    slow.intervalMs = 50;
    Check({
        {"a pause splits a run of text; short gaps do not",
         Join({Tap(0, 'A', U'a'), Tap(150, 'B', U'b'), Tap(1180, 'C', U'c')}),
         {"Interval 10", "Write ab", "Interval 980", "Interval 10", "Write c"}},
        {"a pause after moving writes where the pointer rests",
         {Move(0, 10, 10), Move(500, 20, 20), Down(1520, 1, 20, 20), Up(1540, 1, 20, 20)},
         {"Interval 10", "CurPos 10,10", "Interval 480", "Interval 10", "CurPos 20,20", "Interval 1000",
          "Interval 10", "Click "}},
        {"the time before the first action is not written",
         Join({{Move(0, 1, 1)}, Tap(5000, 'A', U'a')}),
         {"Interval 10", "CurPos 1,1", "Interval 4980", "Interval 10", "Write a"}},
        {"another pace",
         Join({Tap(0, 'A', U'a'), Tap(1000, 13, U'\r')}),
         {"Interval 50", "Write a", "Interval 870", "Interval 50", "KeyPress #13"},
         slow},
        {"the clock wrapping around is no pause",
         Join({Tap(0xFFFFFFF0u, 'A', U'a'), Tap(20, 'B', U'b')}),
         {"Interval 10", "Write ab"}},
    });
}

}  // namespace
}  // namespace tess
